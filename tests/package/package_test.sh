#!/bin/bash
# The Debian package: made by CPack from a Release build tree, checked by
# lintian, installed with apt-get, run from the installed paths (no
# environment variable), then removed, leaving nothing behind but the user's
# own data directory. Needs root (it installs the package).
# usage: package_test.sh BUILD_DIR
set -u
build=$(readlink -f "$1")
failed=0
fail() { echo "package test: $*"; failed=1; }
[ "$(id -u)" -eq 0 ] || { echo "package test: needs root to install the package"; exit 1; }

work=$(mktemp -d /tmp/ardv-package.XXXXXX)
chmod 755 "$work"
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/deb" > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; exit 1; }
deb=$(ls "$work"/deb/ardelovox_*.deb 2> /dev/null | head -n 1)
[ -n "$deb" ] || { fail "cpack made no package"; exit 1; }
echo "== $(basename "$deb"): $(du -k "$deb" | cut -f1) KB"
dpkg-deb -I "$deb" | sed -n '/Depends/p'

if command -v lintian > /dev/null 2>&1; then
  lintian --fail-on error "$deb" > "$work/lintian.txt" 2>&1 || fail "lintian reports errors"
  echo "== lintian: $(grep -c '^E:' "$work/lintian.txt") errors, $(grep -c '^W:' "$work/lintian.txt") warnings"
  cat "$work/lintian.txt"
else
  fail "lintian is not installed (apt-get install lintian)"
fi

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" > "$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "apt-get install failed"; exit 1; }
dpkg -L ardelovox > "$work/files"
echo "== installed: $(wc -l < "$work/files") paths"

# A user of their own: HOME and the XDG directories in the work directory.
user="$work/user"
mkdir -p "$user"
run() { env -i PATH=/usr/bin:/bin HOME="$user" "$@"; }
run ardv-cli --version | grep -q "ardv-cli (Ardelovox)" || fail "ardv-cli --version"
run ardv-cli info /usr/share/ardelovox/examples/example.wav > "$work/info.txt" 2>&1 ||
  { cat "$work/info.txt"; fail "ardv-cli info of the installed example"; }
grep -q "16000" "$work/info.txt" || fail "ardv-cli info does not give the example's rate"
run xvfb-run -a -s "-screen 0 1280x800x24" ardv --screenshot "$work/shot.png" /usr/share/ardelovox/examples/example.wav \
  > "$work/shot.log" 2>&1 || { cat "$work/shot.log"; fail "ardv --screenshot"; }
[ -s "$work/shot.png" ] || fail "ardv --screenshot wrote no image"
run man -w ardv-cli > /dev/null 2>&1 || fail "man -w ardv-cli finds no manual page"
# The Python module from Debian's path, with the installed data.
run python3 -c "import ardelovox; assert ardelovox.__file__.startswith('/usr/lib/python3/dist-packages/'), \
ardelovox.__file__; print(ardelovox.Sound('/usr/share/ardelovox/examples/example.wav').f0())" \
  > "$work/python.txt" 2>&1 || { cat "$work/python.txt"; fail "python3 cannot import ardelovox from the package"; }
grep -q "F0Track(times=" "$work/python.txt" || fail "ardelovox.Sound(...).f0() printed no F0 track"
grep -q "^/usr/lib/python3/dist-packages/ardelovox\.pyi$" "$work/files" || fail "the package lacks the type stubs"
[ -d "$user/.local/share/ardelovox/temp" ] || fail "no per-user data directory was made"
[ ! -e /usr/share/ardelovox/temp ] || fail "the program wrote into the installed data directory"
for f in /usr/bin/ardv /usr/bin/ardv-cli /usr/bin/ardv-cli-figures /usr/bin/klatt \
  /usr/share/applications/ardelovox.desktop /usr/share/icons/hicolor/48x48/apps/ardelovox.png \
  /usr/share/bash-completion/completions/ardv-cli /usr/share/man/man1/klatt.1.gz; do
  grep -qx "$f" "$work/files" || fail "the package lacks $f"
done

DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq ardelovox > "$work/remove.log" 2>&1 ||
  { cat "$work/remove.log"; fail "apt-get remove failed"; }
while read -r path; do
  [ -f "$path" ] || [ -L "$path" ] || continue
  fail "left behind: $path"
done < <(dpkg-deb -c "$deb" | awk '{print "/" substr($6, 3)}')
[ ! -e /usr/share/ardelovox ] || fail "left behind: /usr/share/ardelovox"
[ -d "$user/.local/share/ardelovox/temp" ] || fail "the user's data directory did not survive the removal"
[ $failed -eq 0 ] && echo "package test: built, installed, run and removed cleanly"
exit $failed

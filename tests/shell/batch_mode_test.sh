#!/bin/sh
# ardv --screenshot never waits on a dialog: a file not read as WAV opens
# only through --profile, and fails at once without one.
# usage: batch_mode_test.sh ARDV DATA_DIR
set -u
ardv=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$2" "$work/home" && mkdir -p "$work/home/temp" || exit 1
export ARDV_HOME="$work/home" QT_QPA_PLATFORM=offscreen
head -c 32000 /dev/zero > "$work/a.raw"
failed=0
# expected status | text expected in the output | options
while IFS='|' read -r expected said options; do
  rm -f "$work/x.png"
  # shellcheck disable=SC2086
  timeout 60 "$ardv" --screenshot "$work/x.png" $options "$work/a.raw" > "$work/out" 2>&1
  status=$?
  if [ "$status" != "$expected" ] || ! grep -q -- "$said" "$work/out" ||
     { [ "$expected" = 0 ] && [ ! -s "$work/x.png" ]; }; then
    echo "ardv --screenshot $options: status $status (expected $expected, saying \"$said\")"
    cat "$work/out"
    failed=1
  fi
done <<ROWS
1|a.raw is not read as a WAV file|
0||--profile pcm16le-16k
1|No format profile named "nosuch"|--profile nosuch
ROWS
exit $failed

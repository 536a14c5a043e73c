# Shared by the set-up scripts: the Debian packages the project needs, and
# their installation when some are missing.

ARDV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
JOBS="${JOBS:-$(nproc 2>/dev/null || echo 2)}"

# Everything the build, the tests, the fuzzers and the benchmarks use.
ARDV_PACKAGES=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libfftw3-dev libpng-dev zlib1g-dev
  clang libclang-rt-14-dev
  qt6-base-dev qt6-svg-dev xvfb xauth
  poppler-utils
  libasound2-dev
  parallel
)

install_packages() {
  local missing=()
  for p in "${ARDV_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "== Installing ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
  local dir="$1"
  shift
  cmake -S "$ARDV_ROOT" -B "$dir" "$@"
  cmake --build "$dir" -j"$JOBS"
}

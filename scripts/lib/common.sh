# Shared by the set-up scripts: the Debian packages the project needs, and
# their installation when some are missing.

ARDV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
JOBS="${JOBS:-$(nproc 2>/dev/null || echo 2)}"

# What the programs need to build and to show the main job without a display.
ARDV_RUN_PACKAGES=(
  build-essential cmake pkg-config zlib1g-dev libcli11-dev
  qt6-base-dev qt6-svg-dev xvfb xauth
  libasound2-dev
  python3-dev pybind11-dev python3-numpy
)
# What the tests, the fuzzers, the package and the benchmarks add.
ARDV_TEST_PACKAGES=(
  libgtest-dev libgmock-dev libbenchmark-dev libfftw3-dev libpng-dev
  clang libclang-rt-14-dev
  poppler-utils parallel
  slurm-wlm munge lintian man-db file
  python3-pytest python3-dask python3-pandas
)

# install_packages PACKAGE...: installs those not installed yet.
install_packages() {
  local missing=()
  for p in "$@"; do
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

# The compiler cache, when it is installed; paths taken relative to the
# checkout so that another clone of the same sources hits the same entries.
ARDV_LAUNCHER=()
if command -v ccache > /dev/null 2>&1; then
  ARDV_LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$ARDV_ROOT" CCACHE_NOHASHDIR=1
fi

# configure_and_build DIR [cmake options...]
configure_and_build() {
  local dir="$1"
  shift
  cmake -S "$ARDV_ROOT" -B "$dir" "${ARDV_LAUNCHER[@]}" "$@"
  cmake --build "$dir" -j"$JOBS"
}

# build_programs: the Release programs in build/, without the tests (the
# first README command, and the package of the second).
build_programs() {
  configure_and_build "$ARDV_ROOT/build" -DCMAKE_BUILD_TYPE=Release -DARDV_BUILD_GUI=ON -DARDV_BUILD_TESTS=OFF \
    -DARDV_BUILD_PYTHON=ON
}

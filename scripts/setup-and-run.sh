#!/usr/bin/env bash
# Installs what is missing, builds the Ardelovox programs and the Python module
# (not the tests) and
# runs the main job on the bundled example: the workbench in a window, or,
# without a display, its screenshot under Xvfb and a figure of the example.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

install_packages "${ARDV_RUN_PACKAGES[@]}"
build_programs
example="$ARDV_ROOT/data/examples/example.wav"
bin="$ARDV_ROOT/build/bin"
echo "== ardv-cli info data/examples/example.wav"
"$bin/ardv-cli" info "$example"
echo "== The Python module (PYTHONPATH=build/python)"
(cd "$ARDV_ROOT" && PYTHONPATH=build/python /usr/bin/python3 -c \
  "import ardelovox, numpy; numpy.set_printoptions(threshold=12); print(ardelovox.Sound('data/examples/example.wav').f0())")
echo "== ardv data/examples/example.wav"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin/ardv" "$example"
fi
out="$ARDV_ROOT/build/main-job"
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x800x24" "$bin/ardv" --screenshot "$out/workbench.png" --select 500 900 "$example"
"$bin/ardv-cli" figure "$example" --dpi 150 --title "The quick brown fox jumps over the lazy dog" -o "$out/figure.png"
echo "There is no display here; the workbench on the example was drawn under Xvfb:"
echo "  $out/workbench.png"
echo "  $out/figure.png (ardv-cli figure)"
echo "Run $bin/ardv on a desktop, or scripts/screenshot.sh for every spectrogram kind."

#!/usr/bin/env bash
# Installs what is missing, builds Ardelovox and runs the main job on the
# bundled example.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

install_packages
configure_and_build "$ARDV_ROOT/build" -DCMAKE_BUILD_TYPE=Release -DARDV_BUILD_GUI=ON
echo "== ardv-cli info data/examples/example.wav"
"$ARDV_ROOT/build/bin/ardv-cli" info "$ARDV_ROOT/data/examples/example.wav"
echo "== ardv data/examples/example.wav"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$ARDV_ROOT/build/bin/ardv" "$ARDV_ROOT/data/examples/example.wav"
fi
echo "There is no display here. To see the workbench, run it under a virtual display:"
echo "  xvfb-run -a $ARDV_ROOT/build/bin/ardv --screenshot example.png $ARDV_ROOT/data/examples/example.wav"
echo "or take screenshots of every spectrogram kind with scripts/screenshot.sh $ARDV_ROOT/build."

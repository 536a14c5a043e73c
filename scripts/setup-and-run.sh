#!/usr/bin/env bash
# Installs what is missing, builds Ardelovox and runs the main job on the
# bundled example.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

install_packages
configure_and_build "$ARDV_ROOT/build" -DCMAKE_BUILD_TYPE=Release
echo "== ardv-cli info data/examples/example.wav"
"$ARDV_ROOT/build/bin/ardv-cli" info "$ARDV_ROOT/data/examples/example.wav"

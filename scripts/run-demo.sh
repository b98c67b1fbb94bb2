#!/usr/bin/env bash
# Installs what is missing, builds vantel and vantel-sim, starts the simulator on loopback and
# the application connected to it. The application runs from its own demo directory
# (build/default/demo) with a setup.ini made for this demo, so an operator's own setup.ini is
# never read or written. Closing the window stops the simulator too.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/demo-lib.sh
trap demo_stop_sim EXIT

demo_build
demo_start_sim
demo="$build/demo"
demo_prepare_dir "$demo"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$demo/vantel"
else
    echo "No display (DISPLAY and WAYLAND_DISPLAY are empty): running under xvfb-run," \
         "a virtual display; stop it with Ctrl+C."
    xvfb-run -a -s "-screen 0 1280x1024x24" "$demo/vantel"
fi

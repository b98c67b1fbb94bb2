#!/usr/bin/env bash
# Regenerates docs/screenshots/main-window.png: the real application, connected to vantel-sim
# over loopback, on a virtual X display, captured from the X server once the first poll has
# lit the lamps.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/demo-lib.sh

app_pid=""
stop_all() {
    if [ -n "$app_pid" ]; then
        kill "$app_pid" 2>/dev/null || true
        wait "$app_pid" 2>/dev/null || true
    fi
    demo_stop_sim
}
trap stop_all EXIT

if [ -z "${VANTEL_IN_XVFB:-}" ]; then
    demo_build
    export VANTEL_IN_XVFB=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

demo_start_sim
demo="$build/screenshot-demo"
demo_prepare_dir "$demo"
"$demo/vantel" &
app_pid=$!
# The window appears, connects and polls at once; give the lamps time to settle.
for _ in $(seq 100); do
    xwd -silent -name "Control software" >/dev/null 2>&1 && break
    sleep 0.1
done
sleep 3
mkdir -p docs/screenshots
xwd -silent -name "Control software" | xwdtopnm 2>/dev/null | pnmtopng >docs/screenshots/main-window.png
echo "wrote docs/screenshots/main-window.png"

# The scene pages (LOAD and SAVE / VIEW): scripts/scene-screenshots.sh.
source scripts/scene-screenshots.sh
scene_screenshots "$sim_port"

# The SET page after a "load": scripts/setup-screenshot.sh.
source scripts/setup-screenshot.sh
setup_screenshot "$sim_port"

# The SWITCH page after routing input 3 to outputs 1 and 5: scripts/switch-screenshot.sh.
source scripts/switch-screenshot.sh
switch_screenshot "$sim_port"

# The SALVO page with a stored salvo selected: scripts/salvo-screenshot.sh.
source scripts/salvo-screenshot.sh
salvo_screenshot "$sim_port" "$demo"

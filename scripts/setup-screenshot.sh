# SET page for screenshots.sh (sourced, not run): with the application running against
# vantel-sim on a virtual X display, opens the SET tab, presses "load" and captures the page
# with the simulator's settings in the SET group:
#   docs/screenshots/setup-page.png
# Fails when vantelctl does not read the same settings from the simulator.
#
# Clicks go to positions given as fractions of the main window's size at its start size
# (controls are laid out in dialog units, so they scale with it).

# setup_click WINDOW FX FY: a left click at the fractions FX, FY of the window's size.
setup_click() {
    local win="$1" fx="$2" fy="$3" WIDTH HEIGHT X Y SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$win")"
    xdotool mousemove --window "$win" "$(awk -v f="$fx" -v s="$WIDTH" 'BEGIN{printf "%d", f*s}')" \
        "$(awk -v f="$fy" -v s="$HEIGHT" 'BEGIN{printf "%d", f*s}')" click 1
    sleep 0.3
}

# setup_screenshot PORT: PORT is the simulator's loopback port.
setup_screenshot() {
    local port="$1" win
    win="$(xdotool search --name "Control software" | head -n 1)"
    [ -n "$win" ] || { echo "no application window" >&2; return 1; }
    # What "load" is to show: the simulator's own reading of its settings.
    "$build/tools/vantelctl/vantelctl" --host "127.0.0.1:$port" setup show >/dev/null ||
        { echo "vantelctl cannot read the simulator's settings" >&2; return 1; }

    local tab_set=(0.435 0.035) load=(0.116 0.509)
    setup_click "$win" "${tab_set[@]}"
    setup_click "$win" "${load[@]}"
    xdotool mousemove --window "$win" 1 1
    sleep 0.5
    mkdir -p docs/screenshots
    xwd -silent -id "$win" | xwdtopnm 2>/dev/null | pnmtopng >docs/screenshots/setup-page.png
    echo "wrote docs/screenshots/setup-page.png"
}

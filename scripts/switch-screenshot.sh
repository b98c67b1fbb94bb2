# SWITCH page for screenshots.sh (sourced after setup-screenshot.sh, whose setup_click it
# uses): with the application running against vantel-sim on a virtual X display, routes
# input 3 to outputs 1 and 5 with "OK", selects input 3 again once the next poll has brought
# the new routing, and captures the page:
#   docs/screenshots/switch-page.png
# Fails when the simulator does not report the new routing.

# switch_screenshot PORT: PORT is the simulator's loopback port.
switch_screenshot() {
    local port="$1" win
    win="$(xdotool search --name "Control software" | head -n 1)"
    [ -n "$win" ] || { echo "no application window" >&2; return 1; }

    local tab_switch=(0.189 0.036) input3=(0.212 0.094) clear=(0.476 0.854)
    local output1=(0.051 0.507) output5=(0.373 0.507) ok=(0.757 0.854)
    setup_click "$win" "${tab_switch[@]}"
    setup_click "$win" "${input3[@]}"
    setup_click "$win" "${clear[@]}"
    setup_click "$win" "${output1[@]}"
    setup_click "$win" "${output5[@]}"
    setup_click "$win" "${ok[@]}"
    "$build/tools/vantelctl/vantelctl" --host "127.0.0.1:$port" --json status |
        grep -q '"in":"03","out":"01 05 "' ||
        { echo "the simulator did not take the routing of input 3" >&2; return 1; }
    sleep 2.5 # one poll brings the new routing to the page
    setup_click "$win" "${input3[@]}"
    xdotool mousemove --window "$win" 1 1
    sleep 0.5
    mkdir -p docs/screenshots
    xwd -silent -id "$win" | xwdtopnm 2>/dev/null | pnmtopng >docs/screenshots/switch-page.png
    echo "wrote docs/screenshots/switch-page.png"
}

# Scene pages for screenshots.sh (sourced, not run): with the application running against
# vantel-sim on a virtual X display, stores a routing as scene 4 on the SAVE / VIEW page,
# changes the live routing with vantelctl, previews scene 4 on the LOAD page and recalls it,
# and captures both pages:
#   docs/screenshots/load-page.png       the LOAD page previewing scene 4
#   docs/screenshots/save-view-page.png  the SAVE / VIEW page once the recall reached it
# Fails when the live routing after the recall is not the stored one.
#
# Clicks go to positions given as fractions of the window's size, measured on the main
# window at its start size (controls are laid out in dialog units, so they scale with it).

# scene_click WINDOW FX FY: a left click at the fractions FX, FY of the window's size.
scene_click() {
    local win="$1" fx="$2" fy="$3" w h
    eval "$(xdotool getwindowgeometry --shell "$win")"
    w=$WIDTH
    h=$HEIGHT
    xdotool mousemove --window "$win" "$(awk -v f="$fx" -v s="$w" 'BEGIN{printf "%d", f*s}')" \
        "$(awk -v f="$fy" -v s="$h" 'BEGIN{printf "%d", f*s}')" click 1
    sleep 0.3
}

# scene_capture WINDOW FILE: the window as a PNG.
scene_capture() {
    xwd -silent -id "$1" | xwdtopnm 2>/dev/null | pnmtopng >"$2"
}

# scene_screenshots PORT: PORT is the simulator's loopback port.
scene_screenshots() {
    local port="$1" win ctl stored live
    ctl=("$build/tools/vantelctl/vantelctl" --host "127.0.0.1:$port")
    win="$(xdotool search --name "Control software" | head -n 1)"
    [ -n "$win" ] || { echo "no application window" >&2; return 1; }

    local tab_load=(0.06 0.035) tab_view=(0.31 0.035)
    local scene4=(0.837 0.266) action=(0.885 0.589)

    # A routing worth storing: input 1 to outputs 1-3, input 5 to 6 and 7, output 8 unrouted.
    "${ctl[@]}" route 1 1 2 3 >/dev/null
    "${ctl[@]}" route 5 6 7 >/dev/null
    "${ctl[@]}" route 8 >/dev/null
    stored="$("${ctl[@]}" status)"
    sleep 3  # one poll: the SAVE / VIEW list shows it

    scene_click "$win" "${tab_view[@]}"
    scene_click "$win" "${scene4[@]}"
    scene_click "$win" "${action[@]}"
    [ "$("${ctl[@]}" scene show 4 | tail -n +2)" = "$(echo "$stored" | tail -n +2)" ] ||
        { echo "scene 4 does not hold the stored routing" >&2; return 1; }

    # Another live routing, then the preview and the recall of scene 4.
    "${ctl[@]}" route 2 1 2 3 4 >/dev/null
    scene_click "$win" "${tab_load[@]}"
    scene_click "$win" "${scene4[@]}"
    sleep 0.5
    mkdir -p docs/screenshots
    scene_capture "$win" docs/screenshots/load-page.png
    scene_click "$win" "${action[@]}"
    live="$("${ctl[@]}" status)"
    [ "$live" = "$stored" ] || { echo "the recall did not restore scene 4" >&2; return 1; }

    sleep 3  # one poll: the recalled routing reaches the SAVE / VIEW list
    scene_click "$win" "${tab_view[@]}"
    xdotool mousemove --window "$win" 1 1
    sleep 0.5
    scene_capture "$win" docs/screenshots/save-view-page.png
    echo "wrote docs/screenshots/load-page.png and docs/screenshots/save-view-page.png"
}

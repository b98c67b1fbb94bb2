# SALVO page for screenshots.sh (sourced after scene-screenshots.sh and setup-screenshot.sh,
# whose scene_capture and setup_click it uses): with the application running against vantel-sim on a virtual X display, stores two
# salvos with vantelctl beside the application's setup.ini, changes the live routing so that
# the first one would change several outputs, opens the SALVO tab, selects that salvo and
# captures the page with its table of what it would change:
#   docs/screenshots/salvo-page.png
# Fails when vantelctl cannot store the salvos or does not see the changes they would make.

# salvo_screenshot PORT DIR: PORT is the simulator's loopback port, DIR the application's
# folder (its setup.ini, and so its salvos/, are there).
salvo_screenshot() {
    local port="$1" dir="$2" win
    local ctl=("$build/tools/vantelctl/vantelctl" --host "127.0.0.1:$port" --config "$dir/setup.ini")
    win="$(xdotool search --name "Control software" | head -n 1)"
    [ -n "$win" ] || { echo "no application window" >&2; return 1; }

    # The show's routing, stored whole and, for the lectern outputs alone, as a partial salvo.
    "${ctl[@]}" route 1 1 2 3 4 >/dev/null
    "${ctl[@]}" route 6 5 6 >/dev/null
    "${ctl[@]}" route 8 7 8 >/dev/null
    "${ctl[@]}" salvo capture "Evening show" --replace >/dev/null
    "${ctl[@]}" salvo capture "Lectern only" --outputs 1,2 --replace >/dev/null
    # Another routing is live now: the evening show would change outputs 1, 2, 7 and 8.
    "${ctl[@]}" route 2 1 2 >/dev/null
    "${ctl[@]}" route 8 >/dev/null
    [ "$("${ctl[@]}" salvo show "Evening show" --diff | grep -c ' \*$')" = 4 ] ||
        { echo "the salvo does not differ from the live routing as set up" >&2; return 1; }
    sleep 2.5 # one poll brings the live routing to the page

    local tab_salvo=(0.543 0.035) first_salvo=(0.08 0.12)
    setup_click "$win" "${tab_salvo[@]}"
    setup_click "$win" "${first_salvo[@]}"
    xdotool mousemove --window "$win" 1 1
    sleep 0.5
    mkdir -p docs/screenshots
    scene_capture "$win" docs/screenshots/salvo-page.png
    echo "wrote docs/screenshots/salvo-page.png"
}

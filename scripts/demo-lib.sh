# Shared by run-demo.sh and screenshots.sh (sourced, not run): build the programs, start
# vantel-sim on loopback, prepare a demo directory whose setup.ini points at it.

build=build/default
sim_pid=""
sim_out=""

demo_build() {
    bash scripts/install-deps.sh
    cmake --preset default >/dev/null
    cmake --build --preset default --target vantel vantel-sim vantelctl
}

demo_stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
        sim_pid=""
    fi
    [ -z "$sim_out" ] || rm -f "$sim_out"
}

# Starts the simulator on a free loopback port; sets sim_pid and sim_port.
demo_start_sim() {
    sim_out="$(mktemp)"
    "$build/tools/vantel-sim/vantel-sim" --listen 127.0.0.1:0 >"$sim_out" &
    sim_pid=$!
    sim_port=""
    for _ in $(seq 100); do
        sim_port="$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$sim_out")"
        [ -n "$sim_port" ] && break
        if ! kill -0 "$sim_pid" 2>/dev/null; then
            echo "vantel-sim did not start" >&2
            return 1
        fi
        sleep 0.1
    done
    if [ -z "$sim_port" ]; then
        echo "vantel-sim did not report its port" >&2
        return 1
    fi
    echo "vantel-sim listening on 127.0.0.1:$sim_port (pid $sim_pid)"
}

# Fills directory $1 with the program, its skin and a setup.ini for the running simulator.
# The directory is the demo's own: an operator's setup.ini elsewhere is never touched.
demo_prepare_dir() {
    local dir="$1"
    mkdir -p "$dir"
    cp "$build/src/app/vantel" "$dir/vantel"
    cp "$build/src/app/Style.dll" "$dir/Style.dll"
    cat >"$dir/setup.ini" <<INI
[setup]
mode=1
ip=127.0.0.1
port=$sim_port
INI
}

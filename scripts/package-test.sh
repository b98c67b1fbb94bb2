#!/usr/bin/env bash
# Builds the Debian package in a build tree (default build/default), installs it with apt-get,
# runs the installed programs against each other on loopback, removes the package and checks
# that none of its files is left. Needs root or sudo (it installs a package).
#   bash scripts/package-test.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/default}"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
work="$(mktemp -d)"
chmod 755 "$work"
sim_pid=""
hub_pid=""
cleanup() {
    if [ -n "$hub_pid" ]; then
        kill "$hub_pid" 2>/dev/null || true
        wait "$hub_pid" 2>/dev/null || true
    fi
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "package-test: $*" >&2
    exit 1
}

# Runs a command as an unprivileged user, the way operators run the installed programs.
as_user() {
    if [ "$(id -u)" -eq 0 ]; then
        setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$work/home" "$@"
    else
        env HOME="$work/home" "$@"
    fi
}

echo "=== package: build"
cmake --build "$build" >/dev/null
rm -f "$build"/vantel_*.deb  # one package, of this build
(cd "$build" && cpack -G DEB >/dev/null 2>&1) || fail "cpack failed"
deb="$(ls "$build"/vantel_*.deb)"
[ "$(wc -l <<<"$deb")" -eq 1 ] || fail "expected one package in $build, found: $deb"
dpkg-deb --info "$deb" | sed -n 's/^ *\(Package\|Version\|Depends\):/  &/p'
contents="$work/contents"
dpkg-deb --contents "$deb" | awk '{print $6}' >"$contents"
grep -E '^\./usr/bin/.' "$contents" |
    grep -vE '^\./usr/bin/(vantel|vantelctl|vantel-sim|vantel-hub)$' && fail "not a program in bin/"
for f in usr/share/vantel/Style.dll usr/share/man/man1/vantelctl.1.gz \
    usr/share/man/man1/vantel-sim.1.gz usr/share/man/man1/vantel-hub.1.gz \
    usr/lib/systemd/system/vantel-hub.service usr/share/doc/vantel/copyright \
    usr/share/applications/vantel.desktop usr/share/metainfo/org.vantel.Vantel.metainfo.xml; do
    grep -qx "\./$f" "$contents" || fail "package lacks /$f"
done

echo "=== package: install"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y "./$deb" >/dev/null
files="$work/files"
dpkg -L vantel >"$files"

echo "=== package: run the installed programs"
expected="$(sed -n 's/^project(Vantel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
[ "$(vantelctl --version)" = "vantelctl $expected" ] || fail "vantelctl --version: $(vantelctl --version)"
[ "$(vantel --version)" = "vantel $expected" ] || fail "vantel --version: $(vantel --version)"

sim_out="$work/sim.out"
vantel-sim --listen 127.0.0.1:0 >"$sim_out" &
sim_pid=$!
port=""
for _ in $(seq 100); do
    port="$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$sim_out")"
    [ -n "$port" ] && break
    kill -0 "$sim_pid" 2>/dev/null || fail "vantel-sim did not start"
    sleep 0.1
done
[ -n "$port" ] || fail "vantel-sim did not report its port"
vantelctl --host "127.0.0.1:$port" status >"$work/status" || fail "vantelctl status failed"
grep -q . "$work/status" || fail "vantelctl status printed nothing"

# The operator's settings: the user's configuration folder, pointing at the simulator.
mkdir -p "$work/home/.config/vantel"
printf '[setup]\nmode=1\nip=127.0.0.1\nport=%s\n' "$port" >"$work/home/.config/vantel/setup.ini"
[ "$(id -u)" -ne 0 ] || chown -R nobody:nogroup "$work/home"
# Closes itself once its window has been drawn (the first-paint probe), exit code 0.
out="$(as_user env QT_QPA_PLATFORM=offscreen VANTEL_BENCH_FIRST_PAINT=quit \
    timeout 60 vantel)" || fail "vantel did not end cleanly"
grep -q '^first-paint ' <<<"$out" || fail "vantel did not show its window"
grep -q "^port=$port$" "$work/home/.config/vantel/setup.ini" || fail "vantel lost its settings"
# The hub in front of the simulator: both faces listen, vantelctl works through it.
hub_out="$work/hub.out"
vantel-hub --listen 127.0.0.1:0 --text-listen 127.0.0.1:0 --device "127.0.0.1:$port" \
    >"$hub_out" 2>"$work/hub.err" &
hub_pid=$!
hub_port=""
for _ in $(seq 100); do
    hub_port="$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$hub_out")"
    [ -n "$hub_port" ] && grep -q '^text listening on 127\.0\.0\.1:' "$hub_out" && break
    kill -0 "$hub_pid" 2>/dev/null || fail "vantel-hub did not start"
    sleep 0.1
done
[ -n "$hub_port" ] || fail "vantel-hub did not report its ports"
vantelctl --host "127.0.0.1:$hub_port" status >/dev/null || fail "vantelctl through vantel-hub failed"
kill "$hub_pid"
wait "$hub_pid" || fail "vantel-hub did not end cleanly"
hub_pid=""
kill "$sim_pid"
wait "$sim_pid" || fail "vantel-sim did not end cleanly"
sim_pid=""

echo "=== package: remove"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y vantel >/dev/null
left=()
while IFS= read -r path; do
    # Folders the package shares with others (/usr, /usr/share/man, ...) stay.
    [ -e "$path" ] && [ ! -d "$path" ] && left+=("$path")
    [ -d "$path" ] && [[ "$path" == */vantel ]] && left+=("$path")
done <"$files"
[ ${#left[@]} -eq 0 ] || fail "left after removal: ${left[*]}"
echo "=== package: passed ($(basename "$deb"))"

#!/usr/bin/env bash
# vantel-hub announces its text face and its station face by DNS-SD: a private system D-Bus and
# an Avahi daemon of this test's own are started, the hub runs against vantel-sim on loopback,
# and avahi-browse must find both services under the hub's friendly name. Exits 77 (skipped)
# where the daemons cannot be started here (not root, programs missing, a daemon running).
set -u
hub=$1 sim=$2
skip() { echo "skipped: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "needs root to run avahi-daemon"
for p in dbus-daemon avahi-daemon avahi-browse; do
  command -v "$p" >/dev/null || skip "$p not installed"
done
[ -e /run/avahi-daemon/pid ] && skip "an avahi-daemon runs already"

dir=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
trap "exit 1" TERM INT

cat >"$dir/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$dir/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$dir/bus.conf" --nofork --nopidfile &
pids+=($!)
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$dir/bus"
for _ in $(seq 50); do [ -S "$dir/bus" ] && break; sleep 0.1; done
[ -S "$dir/bus" ] || skip "cannot start a private D-Bus"

cat >"$dir/avahi.conf" <<CONF
[server]
use-ipv4=yes
use-ipv6=no
# Loopback only: the test announces nothing on any real network.
allow-interfaces=lo
enable-dbus=yes
[publish]
publish-addresses=no
publish-hinfo=no
publish-workstation=no
CONF
avahi-daemon -f "$dir/avahi.conf" --no-drop-root --no-chroot --no-rlimits >"$dir/avahi.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do timeout 2 avahi-browse -apt >/dev/null 2>&1 && break; sleep 0.1; done
timeout 2 avahi-browse -apt >/dev/null 2>&1 || skip "cannot start avahi-daemon ($(tail -1 "$dir/avahi.log"))"

"$sim" --listen 127.0.0.1:0 --inputs 4 --outputs 4 >"$dir/sim.out" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do grep -q "^listening on" "$dir/sim.out" && break; sleep 0.1; done
simport=$(sed -n 's/^listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$dir/sim.out" | head -1)
printf '[HUB]\nname=AnnounceTest%s\n' "$$" >"$dir/setup.ini"
"$hub" --listen 127.0.0.1:0 --text-listen 127.0.0.1:0 --device "127.0.0.1:$simport" \
  --config "$dir/setup.ini" >"$dir/hub.out" 2>"$dir/hub.err" &
pids+=($!)

name="AnnounceTest$$"
for _ in $(seq 10); do
  found=$(timeout 3 avahi-browse -rpt _videohub._tcp 2>/dev/null; timeout 3 avahi-browse -rpt _vantel._tcp 2>/dev/null)
  if grep -q "^[+=];.*;$name;_videohub._tcp;" <<<"$found" && grep -q "^[+=];.*;$name;_vantel._tcp;" <<<"$found"; then
    echo "both faces found as \"$name\""
    exit 0
  fi
  sleep 0.1
done
# No interface that multicasts (a container with loopback alone): nothing can be browsed.
grep -q "No suitable network protocol" "$dir/avahi.log" && skip "no multicast interface"
echo "FAIL: not found by avahi-browse"; echo "$found"; cat "$dir/hub.err" "$dir/avahi.log"
exit 1

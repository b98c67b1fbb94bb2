#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running Vantel need.
# Runs apt-get only for what is missing; uses sudo when not run as root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build g++ clang libclang-rt-14-dev
  qt6-base-dev libgl-dev libasio-dev libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev
  fonts-noto-cjk xvfb xauth x11-apps netpbm
  xdotool
  dpkg-dev help2man lintian desktop-file-utils appstream
  python3
  libavahi-client-dev avahi-daemon avahi-utils dbus
)
# Node.js and npm run the third-party protocol clients of the hub tests. A machine may carry
# its own Node.js build (whose package already holds npm and conflicts with Debian's npm):
# Debian's packages come in only where the commands are missing.
command -v node >/dev/null 2>&1 || packages+=(nodejs)
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"

#!/bin/sh
# Installs the Debian packages that building, running and testing need.
# Packages already present are not fetched again, so repeated runs are fast.
# clang and its runtime libraries (libFuzzer, the sanitizers) build the fuzz targets.
set -eu

PACKAGES="build-essential cmake pkg-config
libirrlicht-dev libode-dev libx11-dev
googletest libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
xvfb xauth xdotool imagemagick x11-utils
clang libclang-rt-14-dev"

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

echo "Installing missing packages:$missing"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
elif command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
else
    echo "error: packages are missing ($missing) and this user cannot install them (not root, no sudo)." >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
# shellcheck disable=SC2086
$SUDO apt-get install -y --no-install-recommends $missing

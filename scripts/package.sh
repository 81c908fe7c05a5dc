#!/bin/bash
# Builds the Debian package brimopanel_<version>_<arch>.deb into the build directory.
# BUILD_DIR picks the build directory (default: build). Install it with
#   apt-get install ./build/brimopanel_*.deb
set -eu
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# dpkg-shlibdeps (dpkg-dev) computes the package's dependencies.
if ! command -v dpkg-shlibdeps >/dev/null; then
    sudo_cmd=""
    [ "$(id -u)" = 0 ] || sudo_cmd=sudo
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq dpkg-dev >/dev/null
fi
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/brimopanel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/brimopanel_*.deb

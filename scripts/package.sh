#!/bin/bash
# Builds the Debian package brimopanel_<version>_<arch>.deb into the build directory.
# BUILD_DIR picks the build directory (default: build). Install it with
#   apt-get install ./build/brimopanel_*.deb
# BRIMO_QT_MAJOR=6 builds against Qt 6 instead (default build directory: build-qt6); the package
# then depends on Debian's Qt 6 libraries.
set -eu
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# dpkg-shlibdeps (dpkg-dev) computes the package's dependencies.
if ! command -v dpkg-shlibdeps >/dev/null; then
    sudo_cmd=""
    [ "$(id -u)" = 0 ] || sudo_cmd=sudo
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq dpkg-dev >/dev/null
fi
qt_major=${BRIMO_QT_MAJOR:-5}
case $qt_major in
    5) build=${BUILD_DIR:-build} ;;
    6) build=${BUILD_DIR:-build-qt6} ;;
    *) echo "BRIMO_QT_MAJOR is 5 or 6, not '$qt_major'" >&2; exit 1 ;;
esac
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIMO_QT_MAJOR="$qt_major" >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/brimopanel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/brimopanel_*.deb

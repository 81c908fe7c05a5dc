#!/bin/bash
# package.sh [amd64|arm64]: builds the Debian package brimopanel_<version>_<arch>.deb, checks it
# (scripts/check-package.sh) and runs lintian on it, which must report no error and no warning.
# The architecture is the argument, else $ARCH, else this machine's; arm64 is cross-built on an
# amd64 machine (cmake/aarch64-linux-gnu.cmake). BUILD_DIR picks the build directory (default:
# build, and build-arm64 for a cross build: the one scripts/test.sh uses). Install it with
#   apt-get install ./build/brimopanel_*.deb
# BRIMO_QT_MAJOR=6 builds against Qt 6 instead (default build directory: build-qt6); the package
# then depends on Debian's Qt 6 libraries.
#
# package.sh windows: the Windows installer brimopanel-<version>-setup.exe (NSIS) and the portable
# brimopanel-<version>-windows.zip of the same folder, cross-built (cmake/x86_64-w64-mingw32.cmake,
# BUILD_DIR default build-windows) against Qt for Windows (scripts/windows-qt.sh), then checked
# under Wine (scripts/check-windows-package.sh: a silent install, the panel starts, the uninstall).
set -eu
cd "$(dirname "$0")/.."
native=$(dpkg --print-architecture)
arch=${1:-${ARCH:-$native}}
case $arch in
    amd64 | arm64 | windows) ;;
    *) echo "package.sh: architecture amd64, arm64 or windows, not '$arch'" >&2; exit 2 ;;
esac
bash scripts/deps.sh

if [ "$arch" = windows ]; then
    windows_qt=$(bash scripts/windows-qt.sh)
    build=${BUILD_DIR:-build-windows}
    options=()
    [ -f "$build/CMakeCache.txt" ] || options=(-DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake)
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" \
        -DBRIMO_WINDOWS_QT="$windows_qt" >/dev/null
    cmake --build "$build" -j"$(nproc)" --target brimo_windows_folder
    version=$(sed -n 's/^project(brimopanel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    build=$(cd "$build" && pwd)
    setup=$build/brimopanel-$version-setup.exe
    zip=$build/brimopanel-$version-windows.zip
    rm -f "$setup" "$zip"
    makensis -V2 -DVERSION="$version" -DFOLDER="$build/brimopanel-windows" -DOUTFILE="$setup" \
        packaging/windows/brimopanel.nsi
    (cd "$build" && cmake -E tar cf "$zip" --format=zip brimopanel-windows)
    bash scripts/check-windows-package.sh "$setup" "$zip"
    echo "$setup"
    echo "$zip"
    exit 0
fi
# dpkg-shlibdeps (dpkg-dev) computes the package's dependencies; lintian checks the package.
# file (in check-package.sh) tells the programs' machine.
if ! command -v dpkg-shlibdeps >/dev/null || ! command -v lintian >/dev/null ||
    ! command -v file >/dev/null; then
    sudo_cmd=""
    [ "$(id -u)" = 0 ] || sudo_cmd=sudo
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
        dpkg-dev lintian file >/dev/null
fi
qt_major=${BRIMO_QT_MAJOR:-5}
case $qt_major in
    5) build=${BUILD_DIR:-build} ;;
    6) build=${BUILD_DIR:-build-qt6} ;;
    *) echo "BRIMO_QT_MAJOR is 5 or 6, not '$qt_major'" >&2; exit 1 ;;
esac
options=(-DBRIMO_QT_MAJOR="$qt_major")
if [ "$arch" != "$native" ]; then
    if [ "$arch" != arm64 ] || [ "$native" != amd64 ] || [ "$qt_major" != 5 ]; then
        echo "package.sh: cannot build $arch with Qt $qt_major on $native" >&2
        exit 2
    fi
    build=${BUILD_DIR:-build-$arch}
    # Read on the first configuring only; CMake warns of it given again.
    [ -f "$build/CMakeCache.txt" ] ||
        options+=(-DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake)
    # dpkg-shlibdeps then looks for the arm64 libraries, with aarch64-linux-gnu-objdump.
    export DEB_HOST_ARCH=$arch
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/brimopanel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/brimopanel_*_"$arch".deb)
bash scripts/check-package.sh "$deb" "$arch" "$qt_major"
echo "=== lintian $deb"
lintian --fail-on error,warning "$deb"
echo "$deb"

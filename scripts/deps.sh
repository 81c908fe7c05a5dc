#!/bin/bash
# Installs the Debian packages that building, testing and the demo need, when any is missing.
# deps.sh PACKAGE...: those too (what one benchmark needs besides).
# On an amd64 machine also the arm64 cross build (scripts/test.sh's arm64 pass, scripts/package.sh
# arm64): Debian multiarch, the cross compiler, the arm64 Qt and qemu to run its tests; and the
# Windows cross build with Wine and NSIS (scripts/package.sh windows).
set -eu
sudo_cmd=""
[ "$(id -u)" = 0 ] || sudo_cmd=sudo

# install_missing [APT OPTION...] -- PACKAGE...: installs those of the packages not installed yet.
install_missing() {
    local options=() missing=() p
    while [ "$1" != -- ]; do options+=("$1"); shift; done
    shift
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "deps: installing ${missing[*]}"
    $sudo_cmd apt-get -o DPkg::Lock::Timeout=900 update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
        "${options[@]}" "${missing[@]}" >/dev/null
}

# offered NAME...: the first of the names that this machine's release has a package of, else the
# first (apt then says it is missing). For packages named differently by Debian releases: the
# versionless name first, where there is one.
offered() {
    local p
    for p in "$@"; do
        if apt-cache show --no-all-versions "$p" 2>/dev/null | grep -q '^Package:'; then
            echo "$p"
            return
        fi
    done
    echo "$1"
}

# Fresh roots and images have no package lists yet: without them every name looks unknown.
if ! compgen -G '/var/lib/apt/lists/*_Packages*' >/dev/null; then
    $sudo_cmd apt-get -o DPkg::Lock::Timeout=900 update -qq
fi

install_missing -- cmake g++ make qtbase5-dev qtbase5-dev-tools xvfb xdotool x11-apps imagemagick \
    iproute2 util-linux fonts-dejavu-core matchbox-window-manager clang "$(offered libclang-rt-dev libclang-rt-14-dev)" \
    clang-format shellcheck cage xwayland grim qtwayland5 qt6-base-dev qt6-base-dev-tools \
    qt6-wayland libsystemd-dev strace "$@"

# arm64 by multiarch (about 160 MB; some amd64 libraries move to the arm64 copies' version).
if [ "$(dpkg --print-architecture)" = amd64 ]; then
    dpkg --print-foreign-architectures | grep -qx arm64 || $sudo_cmd dpkg --add-architecture arm64
    install_missing --no-install-recommends -- crossbuild-essential-arm64 qtbase5-dev:arm64 \
        libsystemd-dev:arm64 qemu-user
    # Windows: the MinGW-w64 cross compiler (posix threads), dpkg-source for Debian's Qt source
    # (scripts/windows-qt.sh), Wine to run the tests and NSIS for the installer.
    install_missing -- g++-mingw-w64-x86-64-posix dpkg-dev wine wine64 nsis
fi

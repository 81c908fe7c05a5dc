#!/bin/bash
# Installs the Debian packages that building, testing and the demo need, when any is missing.
# deps.sh PACKAGE...: those too (what one benchmark needs besides).
set -eu
packages=(cmake g++ make qtbase5-dev qtbase5-dev-tools xvfb xdotool x11-apps imagemagick iproute2
          util-linux fonts-dejavu-core matchbox-window-manager clang libclang-rt-14-dev clang-format
          shellcheck cage xwayland grim qtwayland5 qt6-base-dev qt6-base-dev-tools qt6-wayland
          "$@")
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "deps: installing ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" = 0 ] || sudo_cmd=sudo
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi

#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs. Usage:
#   scripts/install-deps.sh run    packages to build and run the program
#   scripts/install-deps.sh test   also the headless test session's packages
#   scripts/install-deps.sh bench  also the peers the benchmarks race against
# Skips apt entirely when everything is installed already.
set -euo pipefail

build_pkgs=(qt6-base-dev qt6-multimedia-dev qt6-svg-dev qt6-tools-dev qt6-l10n-tools
            libx11-dev libxcb1-dev libxcb-shm0-dev libxcb-randr0-dev libxcb-render0-dev libxtst-dev libdeflate-dev libwayland-dev libfontconfig-dev cmake ninja-build g++ sox lame
            gstreamer1.0-plugins-base gstreamer1.0-plugins-good fonts-wqy-microhei
            qt6-qpa-plugins libqt6svg6 qt6-translations-l10n dpkg-dev file)
test_pkgs=(ccache dbus python3-dbus python3-gi xvfb xauth xdotool x11-utils openbox xcompmgr trayer pulseaudio pulseaudio-utils
           imagemagick xclip x11-xserver-utils poppler-utils desktop-file-utils clang libclang-rt-14-dev
           lintian appstream
           sway xwayland pipewire xdg-desktop-portal xdg-desktop-portal-wlr
           xdg-desktop-portal-gtk grim wtype wl-clipboard qt6-wayland
           at-spi2-core python3-pyatspi syncthing)

bench_pkgs=(flameshot qtwayland5 scrot dbus)

pkgs=("${build_pkgs[@]}")
if [ "${1:-run}" = test ] || [ "${1:-run}" = bench ]; then
    pkgs+=("${test_pkgs[@]}")
fi
if [ "${1:-run}" = bench ]; then
    pkgs+=("${bench_pkgs[@]}")
fi

missing=()
for p in "${pkgs[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -q
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"

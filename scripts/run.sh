#!/usr/bin/env bash
# Sets up and starts Velmo Note: installs the packages it needs, builds the
# Debian package (scripts/build-package.sh), installs it with apt (replacing
# an older version of the program, never touching notes) and starts the
# installed program as the application menu does. Its notebook lives in
# ~/.local/share/velmonote; a notebook that an earlier version of this script
# laid out in ~/VelmoNote (or $VELMO_WORKDIR) is opened where it is instead.
# Arguments are passed on (-Hide first starts it hidden in the tray).
# VELMO_NO_START=1 installs without starting.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh run
deb=$(bash scripts/build-package.sh build/release)
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
# The package holds only the program and its defaults: notes live in the
# user's own folders, which installing or upgrading never writes to.
DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -q \
    --no-install-recommends --reinstall "$deb"

notebook=()
workdir=${VELMO_WORKDIR:-$HOME/VelmoNote}
if [ -n "${VELMO_WORKDIR:-}" ] || [ -f "$workdir/tab.dat" ] || [ -f "$workdir/index.dat" ]; then
    notebook=(--notebook "$workdir")
fi

if [ "${VELMO_NO_START:-0}" = 1 ]; then
    echo "Velmo Note is installed: start it from the application menu or with: velmonote ${notebook[*]}"
    exit 0
fi
cd "$HOME"
exec velmonote "$@" "${notebook[@]}"

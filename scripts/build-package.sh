#!/usr/bin/env bash
# Builds the Debian package in a release build folder and prints its path.
#   scripts/build-package.sh [BUILD_DIR]     (default build/package)
# Compiler and linker flags come from dpkg-buildflags (hardening as Debian
# builds its own packages); ccache is used when installed.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build/package}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DVELMO_BUILD_TESTS=OFF -DVELMO_BUILD_BENCH=OFF \
    "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    -DCMAKE_MODULE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$dir" --parallel "$(nproc)" >&2
rm -f "$dir"/velmonote_*.deb
(cd "$dir" && cpack -G DEB >&2)
ls "$PWD/$dir"/velmonote_*.deb

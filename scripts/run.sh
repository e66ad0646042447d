#!/usr/bin/env bash
# Sets up and starts Velmo Note: installs the packages it needs, builds it,
# lays out its working directory (default ~/VelmoNote, or $VELMO_WORKDIR) with
# the default data where nothing is there yet, and starts it there. Notes and
# settings already in the working directory are never overwritten.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$PWD

bash scripts/install-deps.sh run
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVELMO_BUILD_TESTS=OFF -DVELMO_BUILD_BENCH=OFF >/dev/null
cmake --build build/release --parallel "$(nproc)" --target velmonote default_data

workdir=${VELMO_WORKDIR:-$HOME/VelmoNote}
mkdir -p "$workdir"
# Copy the defaults without replacing anything the user already has.
cp -rn "$src/build/release/defaultdata/." "$workdir/"
install -m 755 "$src/build/release/app/velmonote" "$workdir/velmonote.new"
mv -f "$workdir/velmonote.new" "$workdir/velmonote"
# The sound module is loaded from beside the program on the first ring.
install -m 644 "$src/build/release/app/libvelmo_sound.so" "$workdir/libvelmo_sound.so.new"
mv -f "$workdir/libvelmo_sound.so.new" "$workdir/libvelmo_sound.so"

cd "$workdir"
if [ "${VELMO_NO_START:-0}" = 1 ]; then
    echo "Velmo Note is ready in $workdir"
    exit 0
fi
exec ./velmonote "$@"

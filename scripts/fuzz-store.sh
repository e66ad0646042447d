#!/usr/bin/env bash
# Fuzzes the tab.dat reader with libFuzzer for a bounded time.
#   scripts/fuzz-store.sh [SECONDS]        default 60
# Builds only the fuzz target, with clang, in build/fuzz. The corpus grows in
# build/fuzz/fuzz-corpus/tabstore across runs; findings are written to
# build/fuzz/fuzz-artifacts/. Exits non-zero when the fuzzer reports a crash,
# a leak, a timeout, or an allocation beyond -malloc_limit_mb (inputs are at
# most 64 KB, so any allocation of 16 MB means a length was trusted).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
dir=build/fuzz

CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMO_FUZZ=ON -DVELMO_BUILD_TESTS=OFF -DVELMO_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" --parallel "$(nproc)" --target fuzz_tabstorereader

fuzzer="$dir/tests/notebook/fuzz/fuzz_tabstorereader"
seeds="$dir/tests/notebook/fuzz/seeds"
corpus="$dir/fuzz-corpus/tabstore"
artifacts="$dir/fuzz-artifacts"
mkdir -p "$corpus" "$artifacts"

status=0
"$fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
    -rss_limit_mb=2048 -malloc_limit_mb=16 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 \
    "$corpus" "$seeds" || status=$?

if [ "$status" -ne 0 ]; then
    echo "fuzz-store: the fuzzer failed (exit $status); inputs are in $artifacts" >&2
fi
exit "$status"

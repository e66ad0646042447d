#!/usr/bin/env bash
# Fuzzes the readers of untrusted files with libFuzzer for a bounded time:
# the tab.dat reader and the PNG decoder of the screenshot portal's files.
#   scripts/fuzz-store.sh [SECONDS]        default 60, shared evenly by the targets
# Builds only the fuzz targets, with clang, in build/fuzz. Each corpus grows in
# build/fuzz/fuzz-corpus/<name> across runs; findings are written to
# build/fuzz/fuzz-artifacts/. Exits non-zero when a fuzzer reports a crash,
# a leak, a timeout, or an allocation beyond -malloc_limit_mb (the limit is
# what the largest honest input can need, so anything more means a length
# was trusted).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
dir=build/fuzz

CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMO_FUZZ=ON -DVELMO_BUILD_TESTS=OFF -DVELMO_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" --parallel "$(nproc)" --target fuzz_tabstorereader fuzz_pngdecoder

artifacts="$dir/fuzz-artifacts"
mkdir -p "$artifacts"
status=0
# name, fuzzer, seeds, extra libFuzzer options...
fuzz() {
    local name=$1 fuzzer=$2 seeds=$3; shift 3
    local corpus="$dir/fuzz-corpus/$name"
    mkdir -p "$corpus"
    local result=0
    "$fuzzer" -max_total_time="$((seconds / 2))" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$artifacts/$name-" -print_final_stats=1 "$@" \
        "$corpus" "$seeds" || result=$?
    if [ "$result" -ne 0 ]; then
        echo "fuzz-store: the $name fuzzer failed (exit $result); inputs are in $artifacts" >&2
        status=$result
    fi
}

# Stores are at most 64 KB here, so any allocation of 16 MB means a length was trusted.
fuzz tabstore "$dir/tests/notebook/fuzz/fuzz_tabstorereader" "$dir/tests/notebook/fuzz/seeds" \
    -max_len=65536 -malloc_limit_mb=16
# Deflate inflates 16 KB to at most about 16 MB, held twice (a fresh and a
# prepared decode): more than 64 MB means the picture's size was trusted.
fuzz png "$dir/tests/capture/fuzz/fuzz_pngdecoder" "$dir/tests/capture/fuzz/seeds" \
    -max_len=16384 -malloc_limit_mb=64
exit "$status"

#!/usr/bin/env bash
# Runs the sync benchmark in a private test session with an accessibility bus.
#   bench/sync/run.sh BUILD_DIR [latency|startup|space|all]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(realpath "$1"); shift
export VELMO_BINARY="$build/app/velmonote" VELMO_DATA="$build/defaultdata"
export VELMO_BENCH_PART=${1:-all}
exec scripts/test-session.sh tests/journeys/run_journey.sh bench/sync/sync_bench.py

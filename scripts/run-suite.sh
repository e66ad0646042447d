#!/usr/bin/env bash
# Runs one build's CTest suite inside a private headless session. A test that
# fails is run once more in a fresh session before it counts as failed (the
# audio and X tests share one machine with everything else), and every test
# that needed that second run is named at the end, so a flaky test is seen
# and fixed rather than retried in silence. A test that fails twice fails the
# run.
#
# CTest counts a test that skipped some of its cases (QSKIP: no tmpfs mount
# allowed, a tool missing) as passed; every such case is listed at the end
# with its reason, so a check that did not run is seen. A skip does not fail
# the run.
#   scripts/run-suite.sh BUILD_DIR [CTEST ARGS...]
# VELMO_SESSION names the session script (default scripts/test-session.sh).
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
dir=$1; shift
session=${VELMO_SESSION:-scripts/test-session.sh}
failed_log="$dir/Testing/Temporary/LastTestsFailed.log"
output_log="$dir/Testing/Temporary/LastTest.log"
rm -f "$failed_log"

first_log="$dir/Testing/first-run.log"
skips_log="$dir/Testing/skipped.log"
mkdir -p "$dir/Testing"
: >"$skips_log"

# Adds the skipped cases of the last ctest run (the full output of every test
# is in LastTest.log) to skipped.log as "test: Class::case() reason".
collect_skips() {
    [ -f "$output_log" ] || return 0
    awk '/^[0-9]+\/[0-9]+ Test: / { test = $3 }
         /^SKIP   : / { sub(/^SKIP   : /, ""); print test ": " $0 }' "$output_log" >>"$skips_log"
}

report_skips() {
    local count
    count=$(sort -u "$skips_log" | grep -c .)
    [ "$count" -eq 0 ] && return 0
    echo "SKIPPED in $dir: $count case(s) did not run (their tests count as passed):"
    sort -u "$skips_log" | sed 's/^/  /'
}

"$session" ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$first_log"
first_status=${PIPESTATUS[0]}
collect_skips
if [ "$first_status" -eq 0 ]; then
    report_skips
    exit 0
fi

[ -s "$failed_log" ] || { echo "run-suite: ctest failed before running tests in $dir" >&2; exit 1; }
first=$(cut -d: -f2 "$failed_log" | sort)
echo "run-suite: running once more: ${first//$'\n'/ }"
"$session" ctest --test-dir "$dir" --output-on-failure --rerun-failed
second=$?
collect_skips
still=""
[ $second -ne 0 ] && [ -s "$failed_log" ] && still=$(cut -d: -f2 "$failed_log" | sort)
flaky=$(comm -23 <(echo "$first") <(echo "$still"))
if [ -n "$flaky" ]; then
    echo "FLAKY in $dir (failed, then passed on the second run):"
    while read -r test; do echo "  $test"; done <<<"$flaky"
    echo "  failing checks in the first run:"
    grep -E '^FAIL!  : ' "$first_log" | sed 's/^/    /'
fi
report_skips
if [ $second -ne 0 ]; then
    echo "FAILED twice in $dir: ${still//$'\n'/ }"
    exit 1
fi
exit 0

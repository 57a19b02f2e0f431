#!/usr/bin/env bash
# Checks run_match.sh itself: a well-behaved stand-in engine must pass, and
# stand-ins that play an illegal move, crash, print an error, hang or make a
# false mate claim must each make it fail with the right complaint.
#
# Usage: tests/xboard/selftest.sh [OUTDIR]     (needs python3 besides
# xboard, fairymax and xvfb; takes about five minutes)

set -u
HERE=$(cd "$(dirname "$0")" && pwd)
OUT=${1:-$(mktemp -d "${TMPDIR:-/tmp}/xboard-selftest.XXXXXX")}
mkdir -p "$OUT"
command -v python3 >/dev/null 2>&1 || { echo "selftest.sh: python3 is needed" >&2; exit 2; }

passed=0
failed=0

# $1 = mode, $2 = expected exit status, $3 = regex the report must contain
expect() {
    local mode=$1 want=$2 pattern=$3 limit=${4:-} rc
    echo "--- $mode: expecting exit $want${pattern:+ and /$pattern/}"
    FAKE_ENGINE_MODE=$mode MATCH_TIME_LIMIT=$limit \
        timeout -k 10 900 "$HERE/run_match.sh" "$HERE/fake_engine.py" "$OUT/$mode" \
        > "$OUT/$mode.txt" 2>&1
    rc=$?
    if [ "$rc" = "$want" ] && { [ -z "$pattern" ] || grep -q -E "$pattern" "$OUT/$mode.txt"; }; then
        echo "ok: $mode (exit $rc)"
        passed=$((passed + 1))
    else
        echo "NOT OK: $mode (exit $rc); report follows"
        sed 's/^/    /' "$OUT/$mode.txt"
        failed=$((failed + 1))
    fi
}

expect clean      0 '^PASS: 2 games'
expect illegal    1 '^FAIL: forfeit'
expect crash      1 '^FAIL: our program .* killed by signal 11'
expect error      1 '^FAIL: our program printed error lines'
expect falseclaim 1 '^FAIL: false claim'
expect hang       1 '^FAIL: the match did not finish within 60s' 60

echo "logs in $OUT"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

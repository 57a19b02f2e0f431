#!/usr/bin/env bash
# Checks the checks: the flows must fail when the program misses what the
# board says. tee_engine.py injects the fault (TEE_ENGINE_FAULT): a knight
# promotion passed on as a queen's, undo/remove dropped, setboard dropped.
# Each faulty run must fail, and the clean run of the same flows must pass.
#
# Usage: tests/boards/selftest.sh BUILD_DIR [OUTDIR]      (about 4 minutes)
set -u
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [OUTDIR]" >&2; exit 2; }
build=$1
out=${2:-$(mktemp -d "${TMPDIR:-/tmp}/boards-selftest.XXXXXX")}
mkdir -p "$out"
passed=0
failed=0
expect() {   # want(0|1) fault script flows
    local want=$1 fault=$2 script=$3 flows=$4 rc
    TEE_ENGINE_FAULT=$fault timeout -k 15 300 /usr/bin/python3 "$here/$script" "$build" "$out/${fault:-clean}" \
        --flows "$flows" > "$out/${fault:-clean}-$script.txt" 2>&1
    rc=$?
    [ "$rc" -ne 0 ] && rc=1
    if [ "$rc" = "$want" ]; then
        echo "ok: $script $flows with fault '${fault:-none}' exits $rc"
        passed=$((passed + 1))
    else
        echo "NOT OK: $script $flows with fault '${fault:-none}' exits $rc, expected $want"
        sed "s/^/    /" "$out/${fault:-clean}-$script.txt" | tail -n 8
        failed=$((failed + 1))
    fi
}
expect 0 ""         xboard_flows.py      underpromotion,retract,edit_position_black
expect 1 queen      xboard_flows.py      underpromotion
expect 1 noundo     xboard_flows.py      retract
expect 1 nosetboard xboard_flows.py      edit_position_black
expect 1 noundo     gnome_chess_flows.py undo
expect 0 ""         pychess_flows.py     underpromotion
expect 1 queen      pychess_flows.py     underpromotion
expect 1 noundo     pychess_flows.py     takeback
echo "logs in $out"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

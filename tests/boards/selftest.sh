#!/usr/bin/env bash
# Checks the checks. The flows must fail when the program misses what the
# board says (tee_engine.py's TEE_ENGINE_FAULT) and pass without the fault;
# the match must fail on a stand-in program that misbehaves, pass a clean
# one, and put an opponent's fault on the opponent. README.md lists the cases.
#
# Usage: tests/boards/selftest.sh BUILD_DIR [OUTDIR] [flows|match]
#   (about 4 minutes for the flows, 10 for the match)
set -u
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [OUTDIR] [flows|match]" >&2; exit 2; }
build=$1
out=${2:-$(mktemp -d "${TMPDIR:-/tmp}/boards-selftest.XXXXXX")}
part=${3:-all}
mkdir -p "$out"
passed=0
failed=0
check() {   # name want(0|1) pattern command...: exits WANT and prints PATTERN
    local name=$1 want=$2 pattern=$3 rc
    shift 3
    timeout -k 15 900 "$@" > "$out/$name.txt" 2>&1
    rc=$?
    [ "$rc" -ne 0 ] && rc=1
    if [ "$rc" = "$want" ] && grep -q -E -- "$pattern" "$out/$name.txt"; then
        echo "ok: $name exits $rc"
        passed=$((passed + 1))
    else
        echo "NOT OK: $name exits $rc, expected $want and /$pattern/"
        sed "s/^/    /" "$out/$name.txt" | tail -n 12
        failed=$((failed + 1))
    fi
}
flows() {   # want fault script flows
    check "${2:-clean}-$3" "$1" "passed" env TEE_ENGINE_FAULT="$2" /usr/bin/python3 "$here/$3" "$build" \
        "$out/flows-${2:-clean}" --flows "$4"
}
standin() {   # name fault [once]: a stand-in engine, fairymax misbehaving
    printf '#!/bin/sh\nTEE_ENGINE_FAULT=standin,%s TEE_ENGINE_ONCE=%s exec /usr/bin/python3 %s %s /usr/games/fairymax\n' \
        "$2" "${3:-}" "$here/tee_engine.py" "$out/$1.words" > "$out/$1"
    chmod +x "$out/$1"
    echo "$out/$1"
}
match() {   # name want pattern program [opponent]
    check "match-$1" "$2" "$3" env MATCH_STALL=30 MATCH_OPPONENT="${5:-fairymax}" \
        /usr/bin/python3 "$here/xboard_match.py" "$4" "$out/match-$1"
}
if [ "$part" != match ]; then
    flows 0 ""         xboard_flows.py      underpromotion,retract,edit_position_black
    flows 1 queen      xboard_flows.py      underpromotion
    flows 1 noundo     xboard_flows.py      retract
    flows 1 nosetboard xboard_flows.py      edit_position_black
    flows 1 noundo     gnome_chess_flows.py undo
    flows 0 ""         pychess_flows.py     underpromotion
    flows 1 queen      pychess_flows.py     underpromotion
    flows 1 noundo     pychess_flows.py     takeback
fi
if [ "$part" != flows ]; then
    for fault in clean illegal crash error falseclaim hang; do standin "$fault" "$fault" > /dev/null; done
    match clean      0 '^PASS: 2 games' "$out/clean"
    match illegal    1 "^FAIL \(the program's fault\): an illegal move" "$out/illegal"
    match crash      1 "^FAIL \(the program's fault\): the program killed by signal 11" "$out/crash"
    match error      1 "^FAIL \(the program's fault\): the program answered: Error" "$out/error"
    match falseclaim 1 "^FAIL \(the program's fault\): a false claim" "$out/falseclaim"
    match hang       1 "^FAIL \(the program's fault\): nothing happened for 30 s \(the program did not answer" "$out/hang"
    rm -f "$out/opponent-once"
    match opponent-dies-once 0 "played again" "$build/chess" "$(standin opponent-crash crash "$out/opponent-once")"
    match opponent-hangs 1 "^FAIL \(the opponent failed twice\)" "$build/chess" "$(standin opponent-hang hang)"
fi
echo "logs in $out"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]

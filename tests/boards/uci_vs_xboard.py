#!/usr/bin/python3
"""The program's UCI moves against its xboard-protocol moves on the same
positions: every `position ...` + `go ...` that a board sent in UCI (the
*.words logs of the board flows) is given again to the program in the
xboard protocol (`setboard`, `sd N` where the UCI `go` had `depth N`,
`go`), and the two moves must be the same.

    tests/boards/uci_vs_xboard.py BUILD_DIR LOGDIR [LOGDIR...]

Exit status 0 when every position gives the same move.
"""
import glob
import os
import subprocess
import sys

sys.dont_write_bytecode = True

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import boardlib as bl  # noqa: E402


def uci_cases(path):
    cases = []
    for _, events in bl.tee_processes(path):
        rp = bl.Replay()
        pos, go = None, None
        for _, d, line in events:
            w = line.split()
            if not w:
                continue
            if d == ">" and w[0] == "position":
                pos = bl.uci_position(line, rp)
            elif d == ">" and w[0] == "go" and pos is not None:
                go = w
            elif d == "<" and w[0] == "bestmove" and go is not None and pos is not None:
                if "infinite" not in go and "movetime" not in go:   # a hint analyzer's
                    depth = go[go.index("depth") + 1] if "depth" in go else None
                    cases.append((pos.fen(), depth, w[1] if len(w) > 1 else ""))
                go = None
    return cases


def xboard_move(program, fen, depth):
    words = ["xboard", "protover 2", "new", "force", "setboard " + fen]
    if depth:
        words.append("sd " + depth)
    words += ["go", "ping 1"]
    p = subprocess.run([program], input="\n".join(words) + "\n", stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, text=True, timeout=60)
    for line in p.stdout.splitlines():
        if line.startswith("move "):
            return line.split()[1]
    return "(none)"


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    build = os.path.abspath(sys.argv[1])
    program = build if os.path.isfile(build) else os.path.join(build, "chess")
    cases = []
    for d in sys.argv[2:]:
        for path in sorted(glob.glob(os.path.join(d, "*uci*.words"))):
            cases += [(os.path.basename(path),) + c for c in uci_cases(path)]
    seen, same, differ = set(), 0, 0
    for name, fen, depth, uci in cases:
        if (fen, depth) in seen:
            continue
        seen.add((fen, depth))
        xb = xboard_move(program, fen, depth)
        if xb == uci:
            same += 1
        else:
            differ += 1
            print("%s: %s (depth %s): UCI bestmove %s, xboard protocol move %s" % (name, fen, depth, uci, xb))
    print("%d positions: %d the same move, %d different" % (same + differ, same, differ))
    print("%d passed, %d failed" % (same, differ))
    return 1 if differ or not (same + differ) else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/python3
"""Turns the scripts' results into the tables of RESULTS.md.

    tests/boards/results_md.py AFTER_OUTDIR [BEFORE_OUTDIR] > tables.md

One table per board: each flow's result (and the earlier run's, when a
second folder is given), its log file and notes, then a short excerpt of
the words of each flow, taken from the logs around what the flow is about
(remove, undo, setboard, a promotion, result) or its end.
"""
import json
import os
import re
import sys

sys.dont_write_bytecode = True

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import boardlib as bl  # noqa: E402

ORDER = ["xboard-results.json", "xboard-uci-results.json", "gnome-chess-results.json",
         "gnome-chess-uci-results.json", "pychess-results.json", "pychess-uci-results.json"]
ANCHOR = re.compile(r"^(remove|undo|setboard|edit|result|usermove [a-h][1-8][a-h][1-8][nbr]|"
                    r"[a-h][1-8][a-h][1-8][nbr]|position fen|analyze|go infinite)\b")


def load(folder):
    out = {}
    for name in ORDER:
        path = os.path.join(folder, name)
        if os.path.exists(path):
            with open(path) as f:
                out[name] = json.load(f)
    return out


def note(r):
    bits = []
    for key, label in (("first_move_ms_xboard_clock", "first move (ms, xboard's clock)"),
                       ("first_move_s_wall", "first move (s, wall)"), ("mating_move", "mate"),
                       ("took_back_at_ply", "takebacks at ply"), ("protocol", "pychess's dialog finds"),
                       ("depths_before_the_move", "depths"), ("depths_after_the_move", "after the move"),
                       ("old_lines_after_the_move", "old search's lines after the move"),
                       ("analysis_depths", "analyzer's depths"),
                       ("uci_positions_against_xboard", "UCI positions = xboard protocol"), ("probe", "probe")):
        if key in r:
            bits.append("%s: %s" % (label, r[key]))
    if r["problems"]:
        bits.append("**" + "; ".join(r["problems"])[:400].replace("|", "/") + "**")
    return "; ".join(bits)


def words_of(folder, r):
    board, flow = r["board"].split()[0], r["flow"]
    if board == "xboard":
        uci = os.path.join(folder, "xboard-%s.words" % flow)
        if flow.startswith("uci") and os.path.exists(uci):
            ev = bl.tee_words(uci)
        else:
            ev = bl.xboard_words(os.path.join(folder, "xboard-%s.debug" % flow))
    else:
        procs = bl.tee_processes(os.path.join(folder, "%s-%s.words" % (board, flow)))
        ev = max((e for _, e in procs), key=len) if procs else []
    lines = ["%s %s" % (d, l) for _, d, l in ev if d in (">", "<")
             and not l.startswith(("accepted", "feature option", "option", "time ", "otim "))]
    marks = [i for i, l in enumerate(lines) if i > 3 and ANCHOR.match(l[2:]) and "xboard exit" not in l]
    if not marks:
        return lines[-8:]
    return lines[max(0, marks[-1] - 3): marks[-1] + 5]


def main():
    after = sys.argv[1]
    before = load(sys.argv[2]) if len(sys.argv) > 2 else {}
    for name, data in load(after).items():
        results = data["results"]
        if not results:
            continue
        board = results[0]["board"]
        key = board.split()[0]
        extra = " + polyglot %s" % data["versions"]["polyglot"] if "polyglot" in board else ""
        print("### %s %s%s, %s\n" % (board, data["versions"].get(key, ""), extra, results[0]["date"]))
        old = {r["flow"]: r["result"] for r in before.get(name, {}).get("results", [])}
        print("| flow | before | now | s | notes |" if before else "| flow | result | s | notes |")
        print("|---|---|---|---|---|" if before else "|---|---|---|---|")
        for r in results:
            cells = [r["flow"]] + ([old.get(r["flow"], "")] if before else []) + \
                [r["result"], str(r.get("seconds", "")), note(r)]
            print("| " + " | ".join(cells) + " |")
        print("\nWords (excerpt; `>` board to program, `<` program to board):\n")
        for r in results:
            w = words_of(after, r)
            if w:
                print("- %s: `%s`" % (r["flow"], " · ".join(x[:70] for x in w).replace("`", "'")))
        print()


if __name__ == "__main__":
    main()

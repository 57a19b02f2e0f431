#!/usr/bin/python3
"""Turns the scripts' *-results.json files into the tables of RESULTS.md.

    tests/boards/results_md.py OUTDIR [OUTDIR...] > table.md
"""
import glob
import json
import os
import sys

ORDER = ["xboard-results.json", "xboard-uci-results.json", "gnome-chess-results.json",
         "gnome-chess-uci-results.json", "pychess-results.json", "pychess-uci-results.json"]
LOG = {"xboard": "xboard-%s.debug, xboard-%s.words", "gnome-chess": "gnome-chess-%s.words",
       "pychess": "pychess-%s.words"}


def note(r):
    bits = []
    for key in ("first_move_s_wall", "first_move_ms_xboard_clock", "mating_move", "took_back_at_ply",
                "protocol", "probe"):
        if key in r:
            bits.append("%s: %s" % (key.replace("_", " "), r[key]))
    if r["problems"]:
        bits.append("**" + "; ".join(r["problems"])[:500].replace("|", "/") + "**")
    return "; ".join(bits)


def main():
    files = []
    for d in sys.argv[1:]:
        found = {os.path.basename(f): f for f in glob.glob(os.path.join(d, "*-results.json"))}
        files += [found[n] for n in ORDER if n in found]
    for path in files:
        with open(path) as f:
            data = json.load(f)
        results = data["results"]
        if not results:
            continue
        board = results[0]["board"]
        key = board.split()[0]
        version = data["versions"].get(key, "")
        extra = " + polyglot %s" % data["versions"]["polyglot"] if "polyglot" in board else ""
        print("### %s %s%s, %s\n" % (board, version, extra, results[0]["date"]))
        print("| flow | result | s | log files | notes |")
        print("|---|---|---|---|---|")
        for r in results:
            logs = LOG.get(key, "%s") .replace("%s", r["flow"])
            print("| %s | %s | %s | %s | %s |" % (r["flow"], r["result"], r.get("seconds", ""), logs, note(r)))
        print()
        for r in results:
            words = r.get("uci_words") or r.get("words") or []
            if words:
                print("<details><summary>%s: words (excerpt)</summary>\n\n```" % r["flow"])
                print("\n".join(w[:110] for w in words[:16]))
                print("```\n</details>\n")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""A stand-in engine for selftest.sh: shows that xboard_match.py notices a
misbehaving engine, and whose fault it is.

    fake_engine.py [MODE [ONCE_FILE]]      (default: FAKE_ENGINE_MODE, or clean)

It relays xboard's commands to fairymax (searching only a few plies, so it is
fast) and fairymax's answers back, hiding fairymax's feature and
unknown-command lines so that it looks like the program on the wire. As the
program or as the opponent, it then misbehaves at its third move (with
ONCE_FILE, only the first copy does, and makes the file):

  clean       never misbehaves (the match must pass)
  illegal     sends an impossible move
  crash       dies of SIGSEGV in the middle of the game
  error       prints an "Error" line (and keeps playing)
  hang        stops answering
  falseclaim  claims a checkmate that did not happen
"""
import os
import signal
import subprocess
import sys
import threading

MODE = sys.argv[1] if len(sys.argv) > 1 else os.environ.get("FAKE_ENGINE_MODE", "clean")
if len(sys.argv) > 2:
    if os.path.exists(sys.argv[2]):
        MODE = "clean"
    open(sys.argv[2], "a").close()
BAD_MOVE = 3

signal.signal(signal.SIGINT, signal.SIG_IGN)   # xboard interrupts engines with SIGINT

child = subprocess.Popen(
    [os.environ.get("FAIRYMAX", "/usr/games/fairymax")],
    stdin=subprocess.PIPE, stdout=subprocess.PIPE,
    universal_newlines=True, bufsize=1,
    preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_IGN))


def out(line):
    sys.stdout.write(line + "\n")
    sys.stdout.flush()


def relay_commands():
    for line in sys.stdin:
        try:
            child.stdin.write(line)
            if line.split()[:1] == ["new"]:
                child.stdin.write("sd 3\n")        # keep fairymax quick
            child.stdin.flush()
        except (BrokenPipeError, OSError):
            break
    try:
        child.stdin.close()
    except OSError:
        pass


threading.Thread(target=relay_commands, daemon=True).start()

moves = 0
hung = False
for line in child.stdout:
    line = line.rstrip("\n")
    if hung or line.startswith(("feature ", "tellics ", "Error (unknown command)")):
        continue
    if line.startswith("move "):
        moves += 1
        if moves == BAD_MOVE and MODE != "clean":
            if MODE == "illegal":
                square = line.split()[1][:2]
                out("move %s%s" % (square, square))
                continue
            if MODE == "crash":
                child.kill()
                child.wait()
                signal.signal(signal.SIGSEGV, signal.SIG_DFL)
                os.kill(os.getpid(), signal.SIGSEGV)
            if MODE == "error":
                out("Error (something went wrong): %s" % line.split()[1])
            if MODE == "hang":
                hung = True
                continue
            if MODE == "falseclaim":
                out("1-0 {White mates}")
                continue
    out(line)

child.wait()

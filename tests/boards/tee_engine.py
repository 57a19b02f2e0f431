#!/usr/bin/python3
"""Sits between a board and the chess program and logs every line both ways.

    tee_engine.py LOG PROGRAM [ARGS...]

LOG gets one line per line exchanged, with the time in seconds since the
epoch and the wrapper's process id (a board may run two copies at once):
"1765300000.123 4242 > go" (board to program) and "... < move e7e5"
(program to board); "#" lines are the wrapper's own notes. Signals the
board sends (SIGINT, SIGTERM) are passed to the program; the wrapper ends
with the program's exit status. TEE_ENGINE_FAULT injects faults, to check
the checks (selftest.sh).

Probe: when the file LOG.probe appears (a FEN on its first line), the
wrapper stops passing the board's lines on (they are logged as "held"),
asks the program, on its own pipe, which moves it accepts (protover 2,
force, then "usermove M" + "ping N" for every from-to pair from a square
that holds a piece, "undo" after each accepted one) and writes
LOG.result: one JSON object with the moves the program accepted and the
moves legal in the FEN, so that a script can compare the two positions.
Needs a program that answers "Illegal move" and "pong".
"""
import json
import os
import re
import signal
import subprocess
import sys
import threading
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

log_path, argv = sys.argv[1], sys.argv[2:]
log_lock = threading.Lock()
log_file = open(log_path, "a", buffering=1)


def log(direction, line):
    with log_lock:
        log_file.write("%.3f %d %s %s\n" % (time.time(), os.getpid(), direction, line))


child = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, bufsize=0)
log("#", "started %s pid %d (wrapper pid %d)" % (" ".join(argv), child.pid, os.getpid()))


def forward(signum, _frame):
    log("#", "signal %d" % signum)
    try:
        child.send_signal(signum)
    except OSError:
        pass


for s in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
    signal.signal(s, forward)

probing = threading.Event()
probe_lines = []
probe_cond = threading.Condition()
write_lock = threading.Lock()


def send(line):
    with write_lock:
        try:
            child.stdin.write((line + "\n").encode())
            child.stdin.flush()
        except (BrokenPipeError, OSError):
            pass


FAULT = os.environ.get("TEE_ENGINE_FAULT", "")
ONCE = os.environ.get("TEE_ENGINE_ONCE")
if ONCE:
    FAULT = "standin" if os.path.exists(ONCE) else FAULT
    open(ONCE, "a").close()


def injected_fault(line):
    """For checking the checks (selftest.sh): TEE_ENGINE_FAULT makes the
    program miss what the board says: "queen" turns a promotion to a knight,
    bishop or rook into one to a queen, "noundo" drops undo and remove,
    "nosetboard" drops setboard."""
    words = line.split()
    if "queen" in FAULT:
        line = re.sub(r"^((usermove )?[a-h][1-8][a-h][1-8])[nbr]$", r"\1q", line)
    if "noundo" in FAULT and words and words[0] in ("undo", "remove"):
        return None
    if "nosetboard" in FAULT and words and words[0] == "setboard":
        return None
    return line


stand_in_moves = [0, False]   # the program's moves, and whether it hangs


def stand_in(line):
    """What a misbehaving stand-in says instead of the program's LINE (for
    the match's self-test, around fairymax): with "standin" it plays at
    depth 3 and hides the lines that tell fairymax from the program; at
    its third move "illegal" plays an impossible one, "crash" dies of
    SIGSEGV, "error" prints an Error line, "hang" answers no more,
    "falseclaim" claims a mate. With TEE_ENGINE_ONCE=FILE, only the first
    copy misbehaves."""
    if stand_in_moves[1] or "standin" in FAULT and line.startswith(("feature ", "tellics ", "Error (unknown")):
        return []
    if not line.startswith("move "):
        return [line]
    stand_in_moves[0] += 1
    if stand_in_moves[0] != 3:
        return [line]
    if "crash" in FAULT:
        child.kill()
        os.kill(os.getpid(), signal.SIGSEGV)
    stand_in_moves[1] = "hang" in FAULT
    return {"illegal": ["move %s%s" % (line[5:7], line[5:7])], "error": ["Error (something went wrong)", line],
            "hang": [], "falseclaim": ["1-0 {White mates}"]}.get(FAULT.split(",")[-1], [line])


def from_board():
    for raw in sys.stdin.buffer:
        line = raw.decode("utf-8", "replace").rstrip("\r\n")
        if probing.is_set():
            log("held", line)
            continue
        log(">", line)
        if FAULT:
            changed = injected_fault(line)
            if changed != line:
                log("#", "fault %s: %s" % (FAULT, "dropped" if changed is None else "sent " + changed))
            if changed is None:
                continue
            line = changed
        send(line)
        if "standin" in FAULT and line == "new":
            send("sd 3")
    log("#", "end of board input")
    if not probing.is_set():
        with write_lock:
            try:
                child.stdin.close()
            except OSError:
                pass


def from_engine():
    for raw in iter(child.stdout.readline, b""):
        line = raw.decode("utf-8", "replace").rstrip("\r\n")
        if probing.is_set():
            log("<p", line)
            with probe_cond:
                probe_lines.append(line)
                probe_cond.notify_all()
            continue
        outs = stand_in(line) if FAULT else [line]
        for out in outs:
            log("<", out)
        try:
            sys.stdout.buffer.write(raw if outs == [line] else "".join(o + "\n" for o in outs).encode())
            sys.stdout.buffer.flush()
        except (BrokenPipeError, OSError):
            pass


def wait_line(pred, timeout):
    """The program's lines up to the first one that PRED takes, that one
    included (all taken off the queue); None after TIMEOUT seconds."""
    end = time.time() + timeout
    with probe_cond:
        while True:
            for i, line in enumerate(probe_lines):
                if pred(line):
                    got = probe_lines[: i + 1]
                    del probe_lines[: i + 1]
                    return got
            left = end - time.time()
            if left <= 0:
                return None
            probe_cond.wait(left)


def probe(fen):
    from chesspos import Position
    pos = Position(fen)
    legal = pos.legal()
    result = {"fen": fen, "legal": legal}
    probing.set()
    time.sleep(0.3)  # let a reply in flight arrive
    with probe_cond:
        probe_lines.clear()
    send("protover 2")
    feature = wait_line(lambda l: l.startswith("feature"), 3.0)
    result["feature"] = feature and feature[-1]
    send("force")
    counter = [0]

    def sync():
        """The program's lines before its answer to a new ping."""
        counter[0] += 1
        send("ping %d" % (1000 + counter[0]))
        got = wait_line(lambda l: l.strip() == "pong %d" % (1000 + counter[0]), 5)
        return got and got[:-1]

    if sync() is None:
        result["error"] = "no pong: the program does not answer ping"
        return result
    occupied = [sq for sq in range(64) if pos.board.arBoard[sq] != 0]
    names = ["abcdefgh"[sq % 8] + str(sq // 8 + 1) for sq in range(64)]
    words = [names[f] + names[t] for f in occupied for t in range(64) if t != f]
    words += [w for w in legal if len(w) == 5]
    accepted = []
    for w in words:
        send("usermove " + w)
        got = sync()
        if got is None:
            result["error"] = "no pong after usermove %s" % w
            break
        if any(l.startswith("Illegal move") for l in got):
            continue
        accepted.append(w)
        send("undo")
    result["accepted"] = sorted(accepted)
    return result


threading.Thread(target=from_board, daemon=True).start()
reader = threading.Thread(target=from_engine, daemon=True)
reader.start()
probe_file = log_path + ".probe"
while child.poll() is None:
    if os.path.exists(probe_file):
        fen = open(probe_file).readline().strip()
        os.rename(probe_file, probe_file + ".done")
        log("#", "probe " + fen)
        try:
            res = probe(fen)
        except Exception as e:  # report, never hang the board
            res = {"fen": fen, "error": repr(e)}
        tmp = log_path + ".result.tmp"
        with open(tmp, "w") as f:
            json.dump(res, f)
        os.rename(tmp, log_path + ".result")
        log("#", "probe done")
    time.sleep(0.05)
reader.join(2)
log("#", "program exited with %s" % child.returncode)
rc = child.returncode
sys.exit(rc if rc >= 0 else 128 - rc)

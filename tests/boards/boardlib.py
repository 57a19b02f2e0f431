"""What the board scripts share: a virtual display, processes that are all
ended by their ids at exit, xdotool, waiting on logs, reading the logged
words, and replaying them on a chess position to compare with the board's."""
import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import chesspos  # noqa: E402

os.environ["PATH"] = os.environ.get("PATH", "") + ":/usr/games"
TEE = os.path.join(HERE, "tee_engine.py")


class Failure(Exception):
    pass


def log(msg):
    print("[%s] %s" % (time.strftime("%H:%M:%S"), msg), flush=True)


def _stat(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            s = f.read()
    except OSError:
        return None
    rest = s[s.rindex(")") + 2:].split()
    # state, ppid, pgrp, session, ..., starttime (field 22 -> rest[19])
    return {"state": rest[0], "ppid": int(rest[1]), "sid": int(rest[3]), "start": rest[19]}


class Processes:
    """Every process started here runs in its own session; at the end each
    session started here is ended by its id (SIGTERM, then SIGKILL)."""

    def __init__(self):
        self.started = []  # (pid, start time, Popen)

    def spawn(self, argv, out_path, env=None, cwd=None, stdin=subprocess.DEVNULL):
        out = open(out_path, "ab")
        p = subprocess.Popen(argv, stdin=stdin, stdout=out, stderr=subprocess.STDOUT,
                             env=env, cwd=cwd, start_new_session=True)
        self._record(p)
        return p

    def _record(self, p):
        st = _stat(p.pid)
        self.started.append((p.pid, st["start"] if st else None, p))
        # run_ci.sh's last resort: the sessions started here, should this
        # script itself be killed before its clean-up
        if os.environ.get("BOARDS_SESSION_FILE"):
            with open(os.environ["BOARDS_SESSION_FILE"], "a") as f:
                f.write("%d %s\n" % (p.pid, st["start"] if st else "?"))

    def end(self, proc, grace=3.0):
        """End one started process and everything in its session."""
        self._end([(proc.pid, None, proc)], grace)

    def _end(self, entries, grace):
        sids = {pid for pid, _, _ in entries}
        def live():
            out = {}
            for name in os.listdir("/proc"):
                if name.isdigit():
                    st = _stat(int(name))
                    if st and st["sid"] in sids and st["state"] != "Z":
                        out[int(name)] = st["start"]
            return out
        for sig in (signal.SIGTERM, signal.SIGKILL):
            targets = live()
            for pid, start in targets.items():
                st = _stat(pid)
                if st and st["start"] == start:
                    try:
                        os.kill(pid, sig)
                    except OSError:
                        pass
            end = time.time() + grace
            while time.time() < end and live():
                for _, _, p in entries:
                    p.poll()
                time.sleep(0.1)
        for _, _, p in entries:
            try:
                p.wait(1)
            except subprocess.TimeoutExpired:
                pass

    def end_all(self):
        self._end(list(reversed(self.started)), 2.0)
        self.started = []


class Display:
    def __init__(self, procs, work, size="1280x1024x24"):
        self.procs = procs
        for n in range(94, 59, -1):
            if os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
                continue
            fd_path = os.path.join(work, "displayfd")
            with open(fd_path, "w") as fd_file:
                # -displayfd: Xvfb writes the display's number there once it
                # takes clients (and again after each reset: -noreset).
                p = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", size, "-nolisten", "tcp",
                                      "-noreset", "-displayfd", str(fd_file.fileno())],
                                     pass_fds=(fd_file.fileno(),), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, start_new_session=True)
            procs._record(p)
            end = time.time() + 10
            while time.time() < end and p.poll() is None and not read(fd_path).strip():
                time.sleep(0.05)
            if read(fd_path).strip() and p.poll() is None:
                self.name = ":%d" % n
                return
            procs.end(p)
        raise Failure("could not start Xvfb")

    def env(self, **extra):
        e = dict(os.environ)
        e["DISPLAY"] = self.name
        e.pop("XAUTHORITY", None)
        e.update(extra)
        return e

    def xdo(self, *args, check=False):
        r = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env(),
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        if check and r.returncode != 0:
            raise Failure("xdotool %s failed" % " ".join(map(str, args)))
        return r.stdout

    def point(self, x, y):
        self.xdo("mousemove", x, y)
        time.sleep(0.05)

    def key(self, *keys, pointer=None):
        if pointer:
            self.point(*pointer)
        for k in keys:
            self.xdo("key", k)
            time.sleep(0.15)

    def type(self, text, pointer=None):
        if pointer:
            self.point(*pointer)
        self.xdo("type", "--delay", "40", text)

    def click(self, x, y, button=1):
        self.point(x, y)
        self.xdo("click", button)
        time.sleep(0.15)

    def screenshot(self, path):
        subprocess.run(["import", "-window", "root", path], env=self.env(),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def windows(self, name_regex):
        return self.xdo("search", "--name", name_regex).split()


def wait_until(pred, timeout, what, poll=0.1):
    end = time.time() + timeout
    while True:
        v = pred()
        if v:
            return v
        if time.time() > end:
            raise Failure("timed out after %.0fs waiting for %s" % (timeout, what))
        time.sleep(poll)


def read(path):
    try:
        with open(path, errors="replace") as f:
            return f.read()
    except OSError:
        return ""


# --- the logged words ------------------------------------------------------

def xboard_words(debug_path, who="first"):
    """(ms, '>' or '<', line) for one engine from xboard's debug log.
    xboard writes a multi-line send as one entry: the lines after it that
    carry no time stamp belong to it."""
    events = []
    send_re = re.compile(r"^(\d+) ([<>])%s\s*: ?(.*)$" % re.escape(who))
    any_re = re.compile(r"^\d+ [<>](first|second)\s*:")
    last = None
    for line in read(debug_path).splitlines():
        m = send_re.match(line)
        if m:
            last = (int(m.group(1)), m.group(2))
            # xboard logs "usermove e2e4" as "usermove 2487 >first : e2e4"
            text = re.sub(r"^usermove \d+ >%s\s*: " % re.escape(who), "usermove ", m.group(3))
            events.append((last[0], last[1], text))
            continue
        if any_re.match(line):
            last = None
            continue
        if last and last[1] == ">" and re.match(r"^[a-z0-9 ./\-+=#]*$", line) and line.strip():
            # continuation of a multi-line send ("new\nrandom")
            if line.split()[0] in CECP_WORDS or MOVE_RE.match(line):
                events.append((last[0], ">", line))
                continue
        last = None
    return events


def tee_words(path, pid=None):
    """(seconds, direction, line) from a tee_engine.py log; with pid, only
    that copy of the program's."""
    events = []
    for line in read(path).splitlines():
        parts = line.split(" ", 3)
        if len(parts) >= 3 and parts[2] in (">", "<", "held", "<p", "#"):
            if pid is None or parts[1] == str(pid):
                events.append((float(parts[0]), parts[2], parts[3] if len(parts) > 3 else ""))
    return events


def tee_processes(path):
    """The words of each copy of the program in a tee_engine.py log, in the
    order they started: [(pid, events)]."""
    order = []
    for line in read(path).splitlines():
        parts = line.split(" ", 3)
        if len(parts) >= 3 and parts[1] not in order:
            order.append(parts[1])
    return [(pid, tee_words(path, pid)) for pid in order]


CECP_WORDS = {"xboard", "protover", "new", "random", "level", "post", "nopost", "hard", "easy",
              "force", "go", "white", "black", "time", "otim", "undo", "remove", "setboard",
              "edit", "ping", "result", "quit", "computer", "name", "accepted", "rejected", "sd",
              "st", "usermove", "hint", "bk", "draw", "memory", "cores", "variant", "playother",
              "?", "ics", "option", "egtpath", "exit", "analyze", ".", "#", "c"}

MOVE_RE = re.compile(r"^[a-h][1-8][a-h][1-8][qrbnQRBN]?$")


class Replay:
    """Replays the words a board sent to a CECP engine, and the engine's
    moves, on a Position: what the program's position must be at each point.
    Problems: an engine move illegal there, a move the board sent that is
    illegal there, an 'Illegal move' answer to a legal move."""

    def __init__(self, setboard_keeps_moves=False):
        self.setboard_keeps_moves = setboard_keeps_moves
        self.pos = chesspos.Position()
        self.problems = []
        self.engine_moves = []
        self.in_edit = False
        self.edit = None

    def board_word(self, line):
        words = line.split()
        if not words:
            return
        w = words[0]
        if self.in_edit:
            self._edit(line.strip())
            return
        if w == "new":
            self.pos = chesspos.Position()
        elif w == "setboard":
            fen = line.split(None, 1)[1] if len(words) > 1 else ""
            if not chesspos.valid_fen(fen):
                self.problems.append("board sent an unreadable setboard: %s" % line)
            else:
                path = self.pos.path_to(fen) if self.setboard_keeps_moves else None
                if path:
                    for m in path:
                        self.pos.push(m)
                else:
                    self.pos = chesspos.Position(fen)
        elif w == "edit":
            self.in_edit = True
            self.edit = {"white": True, "pieces": _pieces(self.pos.fen()), "stm": self.pos.white_to_move()}
        elif w == "undo":
            if not self.pos.pop():
                self.problems.append("undo with no move to take back")
        elif w == "remove":
            if not (self.pos.pop() and self.pos.pop()):
                self.problems.append("remove with fewer than two moves to take back")
        elif w == "usermove" and len(words) > 1:
            self._board_move(words[1])
        elif MOVE_RE.match(w) and len(words) == 1:
            self._board_move(w)

    def _board_move(self, w):
        if self.pos.normalise(w) is None:
            self.problems.append("board sent %s, illegal in %s" % (w, self.pos.fen()))
            return
        self.pos.push(w)

    def engine_line(self, line):
        words = line.split()
        if not words:
            return
        if words[0] == "move" and len(words) > 1:
            mv = words[1]
            self.engine_moves.append((self.pos.fen(), mv))
            if self.pos.normalise(mv) is None:
                self.problems.append("program played %s, illegal in %s" % (mv, self.pos.fen()))
            else:
                self.pos.push(mv)
        elif line.startswith("Illegal move"):
            m = re.search(r"([a-h][1-8][a-h][1-8][qrbn]?)", line)
            if m and self.pos.moves and self.pos.moves[-1][:4] == m.group(1)[:4]:
                self.problems.append("program refused %s, legal in the board's position" % m.group(1))
                self.pos.pop()

    def _edit(self, line):
        e = self.edit
        if line == ".":
            self.in_edit = False
            rows = "/".join("".join(e["pieces"].get(f + str(rank), "1") for f in "abcdefgh")
                            for rank in range(8, 0, -1))
            rows = re.sub(r"1+", lambda empty: str(len(empty.group(0))), rows)   # empty squares counted
            fen = rows + (" w " if e["stm"] else " b ") + "KQkq - 0 1"
            fen = _fix_castling(fen)
            if chesspos.valid_fen(fen):
                self.pos = chesspos.Position(fen)
            else:
                self.problems.append("edit gave an unplayable position %s" % fen)
        elif line == "#":
            e["pieces"] = {}
        elif line == "c":
            e["white"] = not e["white"]
        elif re.match(r"^[PNBRQKX][a-h][1-8]$", line):
            sq = line[1:]
            if line[0] == "X":
                e["pieces"].pop(sq, None)
            else:
                e["pieces"][sq] = line[0] if e["white"] else line[0].lower()

    def feed(self, events):
        for _, d, line in events:
            if d == ">":
                self.board_word(line)
            elif d == "<":
                self.engine_line(line)


def uci_replay(events):
    """The program's position from UCI words: the last `position` line
    before each `go`, and every bestmove legal where it was played."""
    rp = Replay()
    current = None
    for _, d, line in events:
        w = line.split()
        if not w:
            continue
        if d == ">" and w[0] == "position":
            current = uci_position(line, rp)
        elif d == ">" and w[0] == "go" and current is not None:
            rp.pos = current
        elif d == "<" and w[0] == "bestmove" and len(w) > 1:
            if current is None:
                rp.problems.append("bestmove without a position")
                continue
            rp.engine_moves.append((current.fen(), w[1]))
            if current.normalise(w[1]) is None:
                rp.problems.append("program played %s, illegal in %s" % (w[1], current.fen()))
            else:
                current = current.copy()
                current.push(w[1])
                rp.pos = current
    return rp


def uci_against_xboard(program, events, r):
    """Every position a board set in UCI and asked a move for (a `position`
    line, then `go` answered by `bestmove`; not an analysis's go infinite
    or movetime) given again to PROGRAM in the xboard protocol (setboard,
    sd N where the go had depth N, go): the two moves must be the same."""
    rp, pos, go, seen, problems = Replay(), None, None, set(), []
    for _, d, line in events:
        w = line.split()
        if d == ">" and w[:1] == ["position"]:
            pos = uci_position(line, rp)
        elif d == ">" and w[:1] == ["go"]:
            go = w
        elif d == "<" and w[:1] == ["bestmove"] and go and pos and not {"infinite", "movetime"} & set(go):
            depth = go[go.index("depth") + 1] if "depth" in go else None
            if (pos.fen(), depth) not in seen:
                seen.add((pos.fen(), depth))
                words = ["xboard", "protover 2", "new", "force", "setboard " + pos.fen()]
                words += (["sd " + depth] if depth else []) + ["go", "ping 1", "quit"]
                out = subprocess.run([program], input="\n".join(words) + "\n", stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, text=True, timeout=60).stdout
                move = next((l.split()[1] for l in out.splitlines() if l.startswith("move ")), "(none)")
                best = w[1] if len(w) > 1 else ""
                if move != best:
                    problems.append("%s (depth %s): UCI bestmove %s, xboard protocol move %s"
                                    % (pos.fen(), depth, best, move))
            go = None
    r["uci_positions_against_xboard"] = len(seen)
    return problems


def uci_position(line, rp):
    w = line.split()
    if len(w) > 1 and w[1] == "startpos":
        pos, rest = chesspos.Position(), w[2:]
    elif len(w) > 1 and w[1] == "fen":
        idx = w.index("moves") if "moves" in w else len(w)
        pos, rest = chesspos.Position(" ".join(w[2:idx])), w[idx:]
    else:
        rp.problems.append("unreadable: %s" % line)
        return None
    if rest and rest[0] == "moves":
        for m in rest[1:]:
            if pos.normalise(m) is None:
                rp.problems.append("board sent %s, illegal in %s" % (m, pos.fen()))
                break
            pos.push(m)
    return pos


def _pieces(fen):
    """{square: piece} of a FEN's board."""
    rows = re.sub(r"\d", lambda empty: "1" * int(empty.group(0)), fen.split()[0]).split("/")
    return {"abcdefgh"[f] + str(8 - i): p for i, row in enumerate(rows) for f, p in enumerate(row) if p != "1"}


def _fix_castling(fen):
    p = _pieces(fen)
    rights = ""
    if p.get("e1") == "K":
        rights += ("K" if p.get("h1") == "R" else "") + ("Q" if p.get("a1") == "R" else "")
    if p.get("e8") == "k":
        rights += ("k" if p.get("h8") == "r" else "") + ("q" if p.get("a8") == "r" else "")
    f = fen.split()
    f[2] = rights or "-"
    return " ".join(f)


def compare_probe(result):
    """Problems found by tee_engine.py's probe: the moves the program took
    against the moves legal in the board's position."""
    if not result.get("feature"):
        return []   # no answer to protover 2: the probe cannot run (reported as n/a)
    if "error" in result:
        return ["probe: %s" % result["error"]]
    legal = set(result["legal"])
    expected = legal | {m[:4] for m in legal if len(m) == 5}
    got = set(result["accepted"])
    problems = []
    if got != expected:
        problems.append("probe of %s: the program takes %d moves, the board's position has %d; "
                        "only the program: %s; only the board: %s"
                        % (result["fen"], len(got), len(expected), " ".join(sorted(got - expected)[:12]),
                           " ".join(sorted(expected - got)[:12])))
    return problems


PROBE_FILES = (".probe", ".probe.tmp", ".probe.done", ".result", ".result.tmp")


def fresh(*paths):
    """Removes what an earlier run left at PATHS: logs, and a words log's
    probe files."""
    for path in paths:
        for p in (path,) + tuple(path + suffix for suffix in PROBE_FILES):
            if os.path.exists(p):
                os.remove(p)


def run_probe(tee_log, fen, timeout=60, status=None):
    """Asks tee_engine.py to probe the program against FEN; returns problems."""
    res_path = tee_log + ".result"
    fresh(*(tee_log + suffix for suffix in PROBE_FILES))
    tmp = tee_log + ".probe.tmp"
    with open(tmp, "w") as f:
        f.write(fen + "\n")
    os.rename(tmp, tee_log + ".probe")
    try:
        wait_until(lambda: os.path.exists(res_path), timeout, "the probe's result")
    except Failure as e:
        fresh(*(tee_log + suffix for suffix in PROBE_FILES))
        return ["probe: %s" % e]
    with open(res_path) as f:
        result = json.load(f)
    if status is not None:
        status["probe"] = ("n/a (no feature line after protover 2)" if not result.get("feature")
                           else "run: %d moves compared" % len(result.get("legal", [])))
    return compare_probe(result)


def make_engine_wrapper(path, program, log_path):
    """A one-line executable that runs the program through tee_engine.py,
    which starts the log LOG_PATH afresh."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    fresh(log_path)
    with open(path, "w") as f:
        f.write("#!/bin/sh\nexec /usr/bin/python3 %s %s %s \"$@\"\n" % (TEE, log_path, program))
    os.chmod(path, 0o755)
    return path


def excerpt(events, limit=14):
    out = ["%s %s" % (d, line) for _, d, line in events if d in (">", "<")]
    if len(out) > limit:
        out = out[: limit // 2] + ["..."] + out[-(limit // 2):]
    return out


def versions():
    out = {}
    for p in ("xboard", "gnome-chess", "pychess", "polyglot", "fairymax"):
        r = subprocess.run(["dpkg-query", "-W", "-f", "${Version}", p], stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, text=True)
        out[p] = r.stdout.strip() or "not installed"
    return out


def private_home(home):
    """HOME, made empty, with the XDG folders under it: what a board saves
    stays in the run."""
    shutil.rmtree(home, ignore_errors=True)
    os.makedirs(home)
    return dict(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                XDG_DATA_HOME=os.path.join(home, ".local", "share"), XDG_CACHE_HOME=os.path.join(home, ".cache"))


def install_staged(build_dir, stage):
    """cmake --install into STAGE/usr/local (DESTDIR), as a user's
    'cmake --install build --prefix /usr/local' would lay it out."""
    shutil.rmtree(stage, ignore_errors=True)
    env = dict(os.environ, DESTDIR=stage)
    r = subprocess.run(["cmake", "--install", build_dir, "--prefix", "/usr/local"], env=env,
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if r.returncode != 0:
        raise Failure("cmake --install failed:\n" + r.stdout)
    return os.path.join(stage, "usr", "local")


def in_namespace(argv, root_home, usr_local=None, keep=()):
    """argv run in a private mount namespace where /root (where xboard keeps
    ~/.xboardrc whatever HOME says) is the private folder ROOT_HOME and, with
    USR_LOCAL, /usr/local is a staged install, so that nothing outside the
    run is read or written. What the run needs from under the real /root
    (this checkout, the build, KEEP) is bound back in, each by its first
    folder below /root, through a descriptor opened before /root is covered."""
    needed = {HERE} | {os.path.abspath(p) for p in keep}
    tops = sorted({os.path.join("/root", os.path.relpath(p, "/root").split(os.sep)[0])
                   for p in needed if p.startswith("/root/")})
    script = ['set -e', 'exec 9</root']
    if usr_local:
        script.append('mount --bind "$0" /usr/local')
    script.append('mount --bind "$1" /root')
    for top in tops:
        name = os.path.basename(top)
        make = "mkdir -p" if os.path.isdir(top) else "touch"
        script.append('%s "/root/%s" && mount --no-canonicalize --bind "/proc/self/fd/9/%s" "/root/%s"' % (make, name, name, name))
    script.append('exec 9<&- && shift && exec "$@"')
    return ["unshare", "-m", "sh", "-c", "\n".join(script), usr_local or "-", root_home] + list(argv)


class Ctx:
    """What a board script's flows share: the program, the folders, the
    processes, the display, the board driven now (ctx.current)."""


def flow_context(prefix, options=()):
    """Reads a board script's arguments (BUILD_DIR [OUTDIR] [--flows a,b]
    [--uci], and OPTIONS: (flag, argparse keywords)); BUILD_DIR holds the
    program "chess", or is an engine executable to try the scripts on."""
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("out", nargs="?")
    ap.add_argument("--flows")
    ap.add_argument("--uci", action="store_true")
    for flag, kw in options:
        ap.add_argument(flag, **kw)
    ctx = Ctx()
    ctx.a = ap.parse_args()
    ctx.build = os.path.abspath(ctx.a.build)
    ctx.program = ctx.build if os.path.isfile(ctx.build) else os.path.join(ctx.build, "chess")
    if not os.access(ctx.program, os.X_OK):
        print("%s: no program at %s" % (os.path.basename(sys.argv[0]), ctx.program), file=sys.stderr)
        sys.exit(2)
    ctx.out = os.path.abspath(ctx.a.out or tempfile.mkdtemp(prefix="boards-%s-" % prefix))
    os.makedirs(ctx.out, exist_ok=True)
    ctx.work = tempfile.mkdtemp(prefix="boards-%s-work-" % prefix)
    ctx.keep = (ctx.build, ctx.out, ctx.work)
    ctx.prefix, ctx.procs, ctx.current, ctx.display = prefix, Processes(), None, None
    return ctx


def pick_flows(ctx, flows, uci_flows=()):
    """The flows --flows names, else the UCI ones with --uci, else the rest."""
    if ctx.a.flows:
        wanted = ctx.a.flows.split(",")
        return [f for f in list(flows) + list(uci_flows) if f[0] in wanted]
    return list(uci_flows) if ctx.a.uci else list(flows)


def run_flows(ctx, flows, board, results_name, display=True, words=None):
    """Runs each (name, fn(ctx, r)) of FLOWS, its result r labelled
    BOARD(name). A flow that stops half-way still gets the board's checks
    (ctx.current.finish) while the board runs, to say where the positions
    parted. Each flow ends with a screenshot and every process it started
    ended; WORDS(name) gives the words of a flow that kept none in r.
    Writes RESULTS_NAME and gives the exit status: 1 when a flow failed."""
    results = []
    try:
        if display:
            ctx.display = Display(ctx.procs, ctx.work)
        for name, fn in flows:
            r = {"board": board(name), "flow": name, "problems": [],
                 "date": time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime())}
            log("%s flow %s" % (r["board"], name))
            t0 = time.time()
            ctx.current = None
            try:
                try:
                    fn(ctx, r)
                except Failure as e:
                    r["problems"].append(str(e))
                except Exception as e:  # a fault of this script: reported as such
                    r["problems"].append("script error: %r" % e)
                cur = ctx.current
                if cur is not None and not cur.finished and cur.proc.poll() is None:
                    try:
                        cur.finish(r)
                    except Exception as e:
                        r["problems"].append("checks after the failure: %r" % e)
            finally:
                if display:
                    ctx.display.screenshot(os.path.join(ctx.out, "%s-%s.png" % (ctx.prefix, name)))
                if "words" not in r and words:
                    r["words"] = excerpt(words(name))
                for entry in list(ctx.procs.started):   # all but the display
                    if entry[2] is not None and entry[2].args and entry[2].args[0] != "Xvfb":
                        ctx.procs.end(entry[2])
                        ctx.procs.started.remove(entry)
            r["seconds"] = round(time.time() - t0, 1)
            r["result"] = "pass" if not r["problems"] else "FAIL"
            results.append(r)
            log("  %s %s" % (r["result"], "; ".join(r["problems"])[:400]))
    finally:
        ctx.procs.end_all()
        shutil.rmtree(ctx.work, ignore_errors=True)
    path = os.path.join(ctx.out, results_name)
    with open(path, "w") as f:
        json.dump({"versions": versions(), "results": results}, f, indent=1)
    print("results: %s" % path)
    failed = [r["flow"] for r in results if r["problems"]]
    print("%d passed, %d failed" % (len(results) - len(failed), len(failed)))
    return 1 if failed else 0


# A position where the person promotes to a knight (e7e8n) after Black's
# move; pawns besides, so that no board calls a draw for lack of material.
UNDERPROMOTION_FEN = "7k/p3P3/8/8/8/8/7P/K7 b - - 0 1"

# The person's moves, the first legal one taken, so that runs repeat.
PREFERRED_MOVES = ["e2e4", "d2d4", "g1f3", "b1c3", "c2c3", "h2h3", "a2a3",
                   "e7e5", "d7d5", "g8f6", "b8c6", "c7c6", "h7h6", "a7a6"]


def preferred(legal, fallback, prefer=PREFERRED_MOVES):
    return next((w for w in prefer if w in legal), fallback)


ERROR_REPLIES = ("Illegal move", "Error", "tellusererror", "telluser")


def error_replies(events, allowed=()):
    """The first of the program's lines in EVENTS that refuses a word or
    reports an error, as a problem; ALLOWED: such lines that a flow asks for."""
    for _, d, line in events:
        if d == "<" and line.startswith(ERROR_REPLIES) and not (allowed and line.startswith(tuple(allowed))):
            return ["the program answered: %s" % line]
    return []


def main(run):
    """A board script's entry: SIGTERM, SIGINT and SIGHUP end it through its
    clean-up (every process it started is ended by its id)."""
    def bye(signum, _frame):
        raise SystemExit(128 + signum)
    for s in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(s, bye)
    sys.exit(run())

#!/usr/bin/python3
"""Takes the picture docs/xboard.png: the program (first engine, White)
plays fairymax in xboard's Two Machines mode on a virtual display, and the
xboard window is captured after some moves.

    docs/make_screenshot.py [PROGRAM [PNG]]     (default build/chess, docs/xboard.png)

MOVES in the environment: the program's moves before the capture (default
12). Needs the Debian packages xboard, fairymax, xvfb, xdotool and
imagemagick.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "boards"))
import boardlib as bl  # noqa: E402


def main():
    top = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    program = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(top, "build", "chess"))
    png = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else os.path.join(top, "docs", "xboard.png"))
    moves = int(os.environ.get("MOVES", "12"))
    work = tempfile.mkdtemp(prefix="chess-screenshot.")
    procs = bl.Processes()
    try:
        display = bl.Display(procs, work, size="1024x768x24")
        debug = os.path.join(work, "debug")
        os.makedirs(os.path.join(work, "home"))
        xb = procs.spawn(["xboard", "-fcp", program, "-fn", "chess", "-firstProtocolVersion", "1",
                          "-scp", "fairymax", "-mode", "TwoMachines", "-tc", "5", "-mps", "40",
                          "-secondTimeOdds", "10", "-showCoords", "true", "-highlightLastMove", "true",
                          "-debugMode", "true", "-nameOfDebugFile", debug, "-saveSettingsOnExit", "false",
                          "-popupExitMessage", "false", "-soundProgram", ""],
                         os.path.join(work, "xboard.log"), cwd=work, env=display.env(HOME=os.path.join(work, "home")))
        # the program's moves, or the game's end, whichever comes first
        bl.wait_until(lambda: xb.poll() is not None or re.search(r"GameEnds\([1-9]", bl.read(debug)) or
                      bl.read(debug).count("<first : move") >= moves, 120, "%d moves by the program" % moves)
        time.sleep(1.5)    # fairymax's reply and the redraw
        window = display.xdo("search", "--onlyvisible", "--pid", xb.pid).split()
        if xb.poll() is not None or not window:
            raise bl.Failure("xboard ended or shows no window; see %s" % os.path.join(work, "xboard.log"))
        shot = os.path.join(work, "window.png")
        subprocess.run(["import", "-window", window[-1], shot], env=display.env(), check=True)
        # a palette of 192 colours keeps the board's look at a quarter of the size
        subprocess.run(["convert", shot, "-strip", "+dither", "-colors", "192", "PNG8:" + png], check=True)
        played = re.findall(r"<(?:first |second): move (\S+)", bl.read(debug))
        print("make_screenshot.py: %s after %d moves by the program: %s"
              % (png, bl.read(debug).count("<first : move"), " ".join(played)))
    finally:
        procs.end_all()
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    bl.main(main)

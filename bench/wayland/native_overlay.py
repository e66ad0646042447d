#!/usr/bin/env python3
"""Trigger to overlay visible with Qt's native Wayland platform
(QT_QPA_PLATFORM=wayland), for two builds of velmonote, interleaved.

Runs inside scripts/wayland-session.sh. Each round starts a fresh resident
notebook (`velmonote -Hide`) of one build over a native pattern window, runs
`velmonote -Capture`, and polls one pixel of the output with grim until the
overlay's veil changes it: what the user sees, including any time the
compositor holds the new window back.

usage: native_overlay.py VELMONOTE_A VELMONOTE_B [--runs N]
The pattern window is the test program wlpattern of the first build (found
beside it as BUILD/tests/capture/wlpattern), or VELMO_WLPATTERN.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
def pattern_program(velmonote):
    """The wlpattern program of the build that velmonote belongs to."""
    if os.environ.get("VELMO_WLPATTERN"):
        return os.environ["VELMO_WLPATTERN"]
    build = os.path.dirname(os.path.dirname(os.path.abspath(velmonote)))
    return os.path.join(build, "tests", "capture", "wlpattern")
PIXEL = ["-g", "600,400 1x1", "-t", "ppm", "-"]
AS_USER = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]


def pixel():
    return subprocess.run(["grim"] + PIXEL, capture_output=True).stdout


def one_round(program):
    work = tempfile.mkdtemp(prefix="velmo-native.")
    os.makedirs(os.path.join(work, "home"))
    with open(os.path.join(work, "index.dat"), "w") as f:
        f.write("<p>home</p>")
    shutil.copy(program, os.path.join(work, "velmonote"))
    # The notebook's module, where a build has one, goes beside the program.
    module = os.path.join(os.path.dirname(program), "libvelmonote_app.so")
    if os.path.exists(module):
        shutil.copy(module, work)
    subprocess.run(["chmod", "-R", "a+rX", work], check=True)
    subprocess.run(["chown", "-R", "65534:65534", work], check=True)
    env = dict(os.environ, XDG_RUNTIME_DIR=os.environ["VELMO_WL_USER_RUNTIME"], HOME=os.path.join(work, "home"),
               QT_QPA_PLATFORM="wayland")
    notebook = subprocess.Popen(AS_USER + ["./velmonote", "-Hide"], cwd=work, env=env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(5)
    before = pixel()
    start = time.monotonic()
    subprocess.Popen(AS_USER + ["./velmonote", "-Capture"], cwd=work, env=env)
    shown = None
    while time.monotonic() - start < 3:
        if pixel() != before:
            shown = (time.monotonic() - start) * 1000
            break
    notebook.terminate()
    notebook.wait(10)
    shutil.rmtree(work, ignore_errors=True)
    return shown


def main():
    programs = sys.argv[1:3]
    runs = int(sys.argv[sys.argv.index("--runs") + 1]) if "--runs" in sys.argv else 5
    pattern = subprocess.Popen([pattern_program(programs[0])], env=dict(os.environ, QT_QPA_PLATFORM="wayland"), stdout=subprocess.DEVNULL)
    time.sleep(1.5)
    times = {p: [] for p in programs}
    for _ in range(runs):
        for program in programs:
            times[program].append(one_round(program))
    pattern.terminate()
    for program in programs:
        seen = [t for t in times[program] if t is not None]
        print("%s: median %s ms over %d rounds (%s), missed %d" % (
            program, round(statistics.median(seen)) if seen else "-", len(seen),
            " ".join(str(round(t)) for t in seen), len(times[program]) - len(seen)))


main()

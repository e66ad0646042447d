#!/usr/bin/python3
"""Trigger to overlay shown on a Wayland desktop: Velmo Note against grim and
Flameshot, interleaved in one run. Runs inside scripts/wayland-session.sh.

For Velmo Note the trigger is the desktop's key binding (sway's bindsym runs
"velmonote -Capture", pressed with wtype); for Flameshot it is "flameshot gui"
(resident daemon); both fetch the picture through the same screenshot portal.
The end is the compositor mapping the overlay's window, which sway does once
the window has committed its first painted buffer, read from sway's IPC
window events. grim's whole-output capture time is the floor.

With --outputs 2 a second output (1280x1024) is added right of the first.
With --clipboard each Velmo Note round also selects an area and presses
Space, and measures Space to the capture being offered to Wayland programs
(`wl-paste -l` lists image/png) and to a whole paste (`wl-paste -t image/png`
returned the PNG). --no-flameshot leaves Flameshot out.

usage: wayland_race.py VELMONOTE [--runs N] [--outputs 2] [--clipboard] [--no-flameshot]
"""
import json
import os
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

RUNS = 8
if "--runs" in sys.argv:
    RUNS = int(sys.argv[sys.argv.index("--runs") + 1])
OUTPUTS = int(sys.argv[sys.argv.index("--outputs") + 1]) if "--outputs" in sys.argv else 1
CLIPBOARD = "--clipboard" in sys.argv
FLAMESHOT = "--no-flameshot" not in sys.argv
velmonote = os.path.abspath(sys.argv[1])
NOBODY = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]


class WindowEvents:
    """sway's window events, each stamped when it arrives (read on a thread)."""

    def __init__(self):
        self.proc = subprocess.Popen(["swaymsg", "-r", "-t", "subscribe", "-m", '["window"]'],
                                     stdout=subprocess.PIPE, text=True)
        self.events = []
        self.lock = threading.Lock()
        threading.Thread(target=self.read, daemon=True).start()
        time.sleep(0.3)

    def read(self):
        for line in self.proc.stdout:
            stamp = time.monotonic()
            try:
                event = json.loads(line)
            except ValueError:
                continue
            with self.lock:
                self.events.append((stamp, event))

    def drain(self):
        with self.lock:
            self.events.clear()

    def wait_new(self, match, timeout=10.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            with self.lock:
                for stamp, event in self.events:
                    if event.get("change") == "new" and match(event.get("container", {})):
                        return stamp
            time.sleep(0.002)
        if os.environ.get("RACE_DEBUG"):
            with self.lock:
                for stamp, event in self.events:
                    c = event.get("container", {})
                    print("seen", event.get("change"), window_class(c), c.get("geometry"), file=sys.stderr)
        return None


def window_class(container):
    return (container.get("app_id") or (container.get("window_properties") or {}).get("class") or "").lower()


def key(*args):
    subprocess.run(["wtype"] + list(args), check=True)


def offered_png():
    listed = subprocess.run(["wl-paste", "-l"], capture_output=True, text=True).stdout
    return "image/png" in listed.split()


def clipboard_round(timings):
    """Selects an area on the overlay, presses Space, and times the offer and
    a whole paste as a native program sees them."""
    subprocess.run(["wl-copy", "--clear"])
    subprocess.run(["xdotool", "mousemove", "300", "200", "mousedown", "1", "mousemove", "900", "700", "mouseup", "1"])
    time.sleep(0.2)
    start = time.monotonic()
    subprocess.run(["xdotool", "key", "space"])
    offered = pasted = None
    end = start + 5
    while time.monotonic() < end:
        if offered_png():
            offered = time.monotonic()
            break
        time.sleep(0.002)
    if offered is not None:
        data = subprocess.run(["wl-paste", "-t", "image/png"], capture_output=True).stdout
        if data.startswith(b"\x89PNG"):
            pasted = time.monotonic()
    timings["offered"].append(None if offered is None else (offered - start) * 1000)
    timings["pasted"].append(None if pasted is None else (pasted - start) * 1000)


def main():
    if OUTPUTS == 2:
        subprocess.run(["swaymsg", "create_output"], check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["swaymsg", "output", "HEADLESS-2", "mode", "1280x1024", "position",
                        str(json.loads(subprocess.run(["swaymsg", "-t", "get_outputs"], capture_output=True,
                                                      text=True).stdout)[0]["current_mode"]["width"]), "0"],
                       check=True, stdout=subprocess.DEVNULL)
    work = tempfile.mkdtemp(prefix="velmo-wlrace.")
    home = os.path.join(work, "home")
    os.makedirs(home)
    with open(os.path.join(work, "index.dat"), "w") as f:
        f.write("<p>home</p>")
    for path in (work, home, os.path.join(work, "index.dat")):
        os.chown(path, 65534, 65534)
    env = dict(os.environ, XDG_RUNTIME_DIR=os.environ["VELMO_WL_USER_RUNTIME"], HOME=home,
               XDG_CONFIG_HOME=os.path.join(home, "config"))
    notebook = subprocess.Popen(NOBODY + [velmonote, "-Hide"], cwd=work, env=env,
                                stderr=None if os.environ.get("RACE_DEBUG") else subprocess.DEVNULL)
    subprocess.run(["swaymsg", "bindsym", "ctrl+alt+c", "exec",
                    "cd %s && exec %s -Capture" % (work, velmonote)], check=True, stdout=subprocess.DEVNULL)
    fs_home = os.path.join(work, "flameshot")
    os.makedirs(os.path.join(fs_home, ".config", "flameshot"))
    with open(os.path.join(fs_home, ".config", "flameshot", "flameshot.ini"), "w") as f:
        f.write("[General]\nshowStartupLaunchMessage=false\nshowHelp=false\nshowDesktopNotification=false\n")
    fs_env = dict(os.environ, HOME=fs_home, XDG_CONFIG_HOME=os.path.join(fs_home, ".config"))
    flameshot = subprocess.Popen(["flameshot"] if FLAMESHOT else ["true"], env=fs_env, stderr=subprocess.DEVNULL,
                                 stdout=subprocess.DEVNULL)
    time.sleep(3)
    events = WindowEvents()

    def velmo_round():
        events.drain()
        start = time.monotonic()
        key("-M", "ctrl", "-M", "alt", "c", "-m", "alt", "-m", "ctrl")
        shown = events.wait_new(lambda c: window_class(c).replace(" ", "") == "velmonote"
                                and c.get("geometry", {}).get("width", 0) >= 1000)
        time.sleep(0.2)
        if CLIPBOARD and shown is not None:
            clipboard_round(clipboard)
        else:
            subprocess.run(["xdotool", "key", "Escape"])
        time.sleep(0.5)
        return None if shown is None else (shown - start) * 1000

    def flameshot_round():
        events.drain()
        start = time.monotonic()
        subprocess.Popen(["flameshot", "gui"], env=fs_env, stderr=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        shown = events.wait_new(lambda c: "flameshot" in window_class(c))
        time.sleep(0.2)
        key("-k", "Escape")
        time.sleep(0.5)
        return None if shown is None else (shown - start) * 1000

    def grim_round():
        start = time.monotonic()
        subprocess.run(["grim", os.path.join(work, "grim.png")], check=True)
        return (time.monotonic() - start) * 1000

    results = {"velmonote": [], "flameshot": [], "grim": []}
    clipboard = {"offered": [], "pasted": []}
    for i in range(RUNS):
        order = [("velmonote", velmo_round), ("flameshot", flameshot_round), ("grim", grim_round)]
        if not FLAMESHOT:
            del order[1]
        if i % 2:
            order.reverse()
        for name, run in order:
            results[name].append(run())

    output = subprocess.run(["swaymsg", "-t", "get_outputs"], capture_output=True, text=True).stdout
    modes = ["%dx%d" % (o["current_mode"]["width"], o["current_mode"]["height"]) for o in json.loads(output)]
    print("outputs %s, %d rounds, interleaved" % (" + ".join(modes), RUNS))
    if not FLAMESHOT:
        del results["flameshot"]
    for name, values in results.items():
        done = [v for v in values if v is not None]
        if not done:
            print("%-10s no overlay seen" % name)
            continue
        first = "%.0f" % values[0] if values[0] is not None else "-"
        later = [v for v in values[1:] if v is not None]
        print("%-10s first %s ms, later median %.0f ms (min %.0f, max %.0f), missed %d" % (
            name, first, statistics.median(later or done), min(done), max(done), len(values) - len(done)))
    velmo = statistics.median([v for v in results["velmonote"][1:] if v is not None] or [float("nan")])
    grim = statistics.median(results["grim"])
    print("velmonote - grim: %.0f ms (goal <= 60)" % (velmo - grim))
    if FLAMESHOT:
        fs = statistics.median([v for v in results["flameshot"][1:] if v is not None] or [float("nan")])
        print("flameshot / velmonote: %.2fx (goal >= 2)" % (fs / velmo))
    for name, values in clipboard.items():
        done = [v for v in values if v is not None]
        if done:
            print("Space to %s: median %.0f ms (min %.0f, max %.0f), missed %d of %d" % (
                "offered to Wayland" if name == "offered" else "whole paste", statistics.median(done), min(done),
                max(done), len(values) - len(done), len(values)))

    for proc in (notebook, flameshot, events.proc):
        proc.terminate()
    shutil.rmtree(work, ignore_errors=True)


main()

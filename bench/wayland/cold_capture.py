#!/usr/bin/python3
"""Cold start by the capture key on sway: from "velmonote -Capture" with no
notebook running to the overlay on screen, and whether a window of the
program reached the picture, for two builds interleaved (for example main's
and this branch's). Runs inside scripts/wayland-session.sh, as sway's user:
  scripts/wayland-session.sh /usr/bin/python3 bench/wayland/cold_capture.py OLD NEW [--runs N]
The overlay is seen by polling XWayland (xdotool, about 5 ms a look)."""
import argparse, os, shutil, subprocess, tempfile, time

def overlay_shown(size):
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", "velmonote"],
                         capture_output=True, text=True).stdout.split()
    return any("Width: %d\n" % size[0] in info and "Height: %d\n" % size[1] in info
               for info in (subprocess.run(["xwininfo", "-id", i], capture_output=True, text=True).stdout for i in ids))

def run(binary, work, size):
    folder = tempfile.mkdtemp(dir=work)
    with open(os.path.join(folder, "index.dat"), "w") as f:
        f.write("<p>home</p>")
    subprocess.run(["chown", "-R", "65534:65534", folder])
    env = dict(os.environ, XDG_RUNTIME_DIR=os.environ["VELMO_WL_USER_RUNTIME"], HOME=folder)
    start = time.monotonic()
    process = subprocess.Popen(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", binary, "-Capture"],
                               cwd=folder, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    while not overlay_shown(size):
        if time.monotonic() - start > 30:
            break
    elapsed = (time.monotonic() - start) * 1000
    process.terminate()
    process.wait(10)
    return elapsed

def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    work = tempfile.mkdtemp()
    os.chmod(work, 0o755)
    binaries = {}
    for name in ("old", "new"):
        # Named velmonote: the name is the windows' X class.
        os.mkdir(os.path.join(work, name), 0o755)
        binaries[name] = os.path.join(work, name, "velmonote")
        shutil.copy(getattr(args, name), binaries[name])
        # The notebook's module, where a build has one, goes beside the program.
        module = os.path.join(os.path.dirname(getattr(args, name)), "libvelmonote_app.so")
        if os.path.exists(module):
            shutil.copy(module, os.path.join(work, name))
        os.chmod(binaries[name], 0o755)
    size = (1920, 1080)
    run(binaries["new"], work, size)  # the portal's first start
    times = {"old": [], "new": []}
    for _ in range(args.runs):
        for name in ("old", "new"):
            times[name].append(run(binaries[name], work, size))
            time.sleep(0.5)
    for name, values in times.items():
        values.sort()
        print("%s: median %.0f ms, min %.0f, max %.0f (%d runs)" % (name, values[len(values) // 2], values[0],
                                                                  values[-1], len(values)))
    shutil.rmtree(work, ignore_errors=True)

main()

"""A capture pinned to the desktop stays: a picture another program shows is
captured (Ctrl+Alt+C, a drag, the key P); a note window shows the selection's
pixels exactly where they were, after the other program is gone, also bare (a
double click); dragged aside, nothing of it stays behind, and it is there again
after a restart. The key A adds a capture to the current note: its HTML refers
to a file under pictures/ with the selection's pixels."""

import glob
import json
import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
from journey import *  # noqa: E402,F403

# Four blocks of colours that nothing else on the screen has.
COLOURS = [(250, 10, 20), (10, 240, 30), (20, 30, 250), (240, 220, 10)]
WIDTH, HEIGHT = 240, 160


def pattern_rows():
    return [b"".join(bytes(COLOURS[(x >= WIDTH // 2) + 2 * (y >= HEIGHT // 2)]) for x in range(WIDTH))
            for y in range(HEIGHT)]


def find_pattern(shot):
    """The screen position of the pattern's top-left pixel."""
    first = bytes(COLOURS[0])
    at = shot.data.find(first)
    while at >= 0 and at % 3:
        at = shot.data.find(first, at + 1)
    check(at >= 0, "the pattern is on the screen")
    return (at // 3 % shot.width, at // 3 // shot.width)


def region(shot, rect):
    x, y, w, h = rect
    return b"".join(shot.data[((y + row) * shot.width + x) * 3:((y + row) * shot.width + x + w) * 3]
                    for row in range(h))


def capture(rect, output_key):
    """Selects rect in the capture overlay and ends it with output_key."""
    x, y, w, h = rect
    key("ctrl+alt+c")
    time.sleep(1.5)
    drag((x, y), (x + w, y + h))
    time.sleep(0.3)
    key(output_key)


def pinned_windows(program):
    return [w for w in program.all(role=pyatspi.ROLE_DIALOG, showing=True)
            if re.fullmatch(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d", w.name)]


program = Program()
folder = tempfile.mkdtemp(prefix="velmo-pin-")
pattern = os.path.join(folder, "pattern.png")
write_png(pattern, pattern_rows())
viewer = None
try:
    program.start()
    # A note to add captures to, fixed so that tab.dat keeps it.
    open_name_bar(program, "添加便签")
    type_text("rec")
    key("Return")
    wait_for(lambda: "rec" in tab_names(program), "the tab added")
    menu_command(program, "常驻标签")

    viewer = subprocess.Popen(["display", "-geometry", "+100+150", pattern])
    wait_for(lambda: Shot().data.find(bytes(COLOURS[3])) >= 0, "the pattern on the screen")
    time.sleep(0.5)
    before = Shot()
    px, py = find_pattern(before)
    selection = (px + 20, py + 20, 200, 120)
    expected = region(before, selection)
    check(all(bytes(c) in expected for c in COLOURS), "the selection holds all four colours")

    capture(selection, "a")
    capture(selection, "p")
    # The capture froze the screen: the pixels the note shows are its own.
    viewer.kill()
    viewer.wait()
    viewer = None
    note = wait_for(lambda: pinned_windows(program), "the pinned note")[0]
    print("pinned note at %s, selection %s" % (extents(note), selection), flush=True)
    time.sleep(0.5)
    Shot().save("pinned")
    shown = wait_for(lambda: region(Shot(), selection) == expected, "the pinned picture in place", timeout=5)
    check(shown, "the pinned note shows the selection's pixels where they were captured")
    check(region(Shot(), selection) == expected, "the pinned picture is still in place")
    # A double click on the picture: the bare look, the window only the picture, still in place.
    xdotool("mousemove", selection[0] + 50, selection[1] + 50)
    xdotool("click", "--repeat", "2", "--delay", "80", "1")
    wait_for(lambda: extents(pinned_windows(program)[0]) == selection, "the window shrunk to the picture")
    check(region(Shot(), selection) == expected, "bare, the picture stays in place")
    # Dragged aside, the picture goes with its window: nothing of it stays behind.
    moved = (selection[0] + 150, selection[1] + 40, selection[2], selection[3])
    drag((selection[0] + 50, selection[1] + 50), (moved[0] + 50, moved[1] + 50))
    wait_for(lambda: extents(pinned_windows(program)[0]) == moved, "the pin dragged aside")
    wait_for(lambda: region(Shot(), moved) == expected, "the picture where the pin went", timeout=5)
    left = region(Shot(), (selection[0], selection[1], 150, selection[3]))
    check(not any(bytes(c) in left for c in COLOURS), "nothing of the picture where it was")

    menu_command(program, "退出")
    check(program.wait_ended() == 0, "the program quit")
    records = read_store(os.path.join(program.work, "tab.dat"))
    texts = {name: text for name, _, text in records}
    pinned = [text for name, _, text in records if re.fullmatch(r"\d{4}-.*", name)]
    check(len(pinned) == 1, "tab.dat holds the pinned note")
    with open(os.path.join(program.work, "notebook-state.json")) as f:
        state = json.load(f)
    check(any(n.get("pinned") for n in state["notes"].values()), "the side file knows the note is a pin")

    # The record added to "rec" refers to a stored picture with the same pixels.
    html = texts["rec"]
    referred = re.findall(r'src="(pictures/[0-9a-f]{64}\.png)"', html)
    check(len(referred) == 1, "the note refers to one stored picture: %s" % referred)
    check(re.search(r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d", html), "under a dated record header")
    width, height, pixels = rgb_of(os.path.join(program.work, referred[0]))
    check((width, height, pixels) == (200, 120, expected), "the added picture has the selection's pixels")
    pinned_file = re.findall(r'src="(pictures/[0-9a-f]{64}\.png)"', pinned[0])
    check(pinned_file == referred, "the pinned note refers to the same stored picture")
    check(len(glob.glob(os.path.join(program.work, "pictures", "*.png"))) == 1, "one copy of the picture")

    program.start()
    wait_for(lambda: pinned_windows(program) and extents(pinned_windows(program)[0]) == moved,
             "the pinned note, bare, where it was dragged, after a restart")
    wait_for(lambda: region(Shot(), moved) == expected, "the pinned picture in place after a restart", timeout=5)
    print("journey passed")
finally:
    program.stop()
    if viewer:
        viewer.kill()
        viewer.wait()

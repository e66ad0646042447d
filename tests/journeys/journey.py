"""Drives the real velmonote process from outside, as a user would: the
pointer and keys through xdotool, what is on screen through screenshots and
the accessibility tree (AT-SPI), what is on disk through the files.

Run inside scripts/test-session.sh; each journey starts its own session bus
and accessibility bus (see run_journey.sh)."""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

import pyatspi

BINARY = os.environ["VELMO_BINARY"]
DATA = os.environ["VELMO_DATA"]


def fail(message):
    print("FAIL: " + message, flush=True)
    Shot().save("failure")
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)
    print("ok: " + message, flush=True)


def wait_for(probe, what, timeout=10.0):
    """Polls probe until it returns something true; fails naming what."""
    end = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            fail("timed out waiting for " + what)
        time.sleep(0.1)


def xdotool(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True)


def click(point, button=1):
    xdotool("mousemove", point[0], point[1])
    time.sleep(0.15)
    xdotool("click", button)
    time.sleep(0.3)


def key(*names):
    for name in names:
        xdotool("key", "--clearmodifiers", name)
        time.sleep(0.15)


def type_text(text):
    xdotool("type", "--delay", 30, text)
    time.sleep(0.2)


def drag(start, end, steps=6):
    xdotool("mousemove", *start)
    time.sleep(0.2)
    xdotool("mousedown", 1)
    time.sleep(0.1)
    for i in range(1, steps + 1):
        xdotool("mousemove", start[0] + (end[0] - start[0]) * i // steps,
                start[1] + (end[1] - start[1]) * i // steps)
        time.sleep(0.05)
    xdotool("mouseup", 1)
    time.sleep(0.3)


class Shot:
    """A screenshot of the whole screen, read from ImageMagick's PPM."""

    def __init__(self):
        raw = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], check=True,
                             stdout=subprocess.PIPE).stdout
        # "P6", width, height, maxval, each followed by one whitespace byte.
        fields, at = [], 0
        while len(fields) < 4:
            while raw[at:at + 1].isspace():
                at += 1
            end = at
            while not raw[end:end + 1].isspace():
                end += 1
            fields.append(raw[at:end])
            at = end
        self.width, self.height = int(fields[1]), int(fields[2])
        self.data = raw[at + 1:]

    def pixel(self, x, y):
        at = (y * self.width + x) * 3
        return tuple(self.data[at:at + 3])

    def save(self, name):
        folder = os.environ.get("VELMO_JOURNEY_SHOTS")
        if not folder:
            return
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, name + ".ppm"), "wb") as out:
            out.write(b"P6 %d %d 255\n" % (self.width, self.height) + self.data)


def write_png(path, rows):
    """An 8-bit RGB PNG of rows (bytes of 3 per pixel, all rows alike in length)."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    width, height = len(rows[0]) // 3, len(rows)
    raw = b"".join(b"\x00" + row for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                  + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


# Four blocks of colours that nothing else on the screen has.
COLOURS = [(250, 10, 20), (10, 240, 30), (20, 30, 250), (240, 220, 10)]
PATTERN_WIDTH, PATTERN_HEIGHT = 120, 80


def pattern_rgb():
    """Rows of a picture of four blocks of COLOURS, for write_png()."""
    rows = []
    for y in range(PATTERN_HEIGHT):
        row = bytearray()
        for x in range(PATTERN_WIDTH):
            row += bytes(COLOURS[(x >= PATTERN_WIDTH // 2) + 2 * (y >= PATTERN_HEIGHT // 2)])
        rows.append(bytes(row))
    return rows


def blocks_on_screen(rect):
    """How many pixels of each of the picture's colours the screen shows in rect."""
    shot = Shot()
    x, y, w, h = rect
    counts = [0] * len(COLOURS)
    for py in range(y, y + h, 2):
        for px in range(x, x + w, 2):
            pixel = shot.pixel(px, py)
            if pixel in COLOURS:
                counts[COLOURS.index(pixel)] += 1
    return counts


def luminance(rgb):
    def linear(c):
        c /= 255.0
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def text_contrast(shot, rect, inset=6):
    """WCAG contrast of the lightest pixel inside rect (the white text) against
    the lightest pixel of its edge rows (the backing the text stands on; the
    rounded corners, inset pixels from each end, are left out)."""
    x, y, w, h = rect
    text = max(luminance(shot.pixel(px, py)) for px in range(x, x + w) for py in range(y, y + h))
    edge = [shot.pixel(px, py) for px in range(x + inset, x + w - inset) for py in (y, y + h - 1)]
    backing = max(luminance(p) for p in edge)
    return (text + 0.05) / (backing + 0.05)


def glyph_contrast(shot, rect, inset=2):
    """WCAG contrast of the darkest pixel inside rect (a dark glyph) against
    the darkest pixel of the rect's edge rows and columns (its backing)."""
    x, y, w, h = rect
    glyph = min(luminance(shot.pixel(px, py)) for px in range(x + inset, x + w - inset)
                for py in range(y + inset, y + h - inset))
    edge = [shot.pixel(px, py) for px in range(x, x + w) for py in (y, y + h - 1)]
    edge += [shot.pixel(px, py) for py in range(y, y + h) for px in (x, x + w - 1)]
    backing = min(luminance(p) for p in edge)
    return (backing + 0.05) / (glyph + 0.05)


class Program:
    """One velmonote process in a working folder of its own."""

    def __init__(self, work=None):
        self.work = work or self._fresh_folder()
        self.process = None

    @staticmethod
    def _fresh_folder():
        work = tempfile.mkdtemp(prefix="velmo-journey-")
        shutil.copytree(DATA, work, dirs_exist_ok=True)
        return work

    def start(self, *args):
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="zh_CN.UTF-8",
                   XDG_CONFIG_HOME=os.path.join(self.work, ".config"),
                   XDG_DATA_HOME=os.path.join(self.work, ".data"),
                   XDG_STATE_HOME=os.path.join(self.work, ".state"))
        env.pop("LC_ALL", None)
        env.pop("LANGUAGE", None)
        self.process = subprocess.Popen([BINARY, *args], cwd=self.work, env=env)
        # The pointer goes to the window, as a user's would.
        wait_for(lambda: self.find(role=pyatspi.ROLE_DIALOG, name="Velmo Note"), "the main window", timeout=30)
        xdotool("mousemove", 955, 535)
        xdotool("mousemove", 960, 540)
        print("started: main window at %s" % (extents(self.find(role=pyatspi.ROLE_DIALOG, name="Velmo Note")),),
              flush=True)

    def wait_ended(self, timeout=10):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            fail("the program did not end")

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def app(self):
        for app in pyatspi.Registry.getDesktop(0):
            try:
                if app is not None and app.get_process_id() == self.process.pid:
                    return app
            except Exception:
                continue
        return None

    def all(self, role=None, name=None, description=None, showing=False, inside=None):
        """Every node of the program's accessibility tree (or of inside) that
        matches; the items of lists and combo boxes are not searched."""
        found = []
        app = inside or self.app()
        if app is None:
            return found

        def visit(node, depth):
            try:
                if ((role is None or node.getRole() == role)
                        and (name is None or node.name == name)
                        and (description is None or node.description == description)
                        and (not showing or node.getState().contains(pyatspi.STATE_SHOWING))):
                    found.append(node)
                if depth > 14 or node.getRole() in (pyatspi.ROLE_LIST, pyatspi.ROLE_COMBO_BOX):
                    return
                for child in node:
                    if child is not None:
                        visit(child, depth + 1)
            except Exception:
                pass

        visit(app, 0)
        return found

    def find(self, **match):
        nodes = self.all(**match)
        return nodes[0] if nodes else None


def placed(program, title):
    """Waits for the window of that title to show and be placed: Qt says
    (0, 0) for a new window until the window manager has placed it."""
    return wait_for(lambda: [w for w in program.all(role=pyatspi.ROLE_DIALOG, name=title, showing=True)
                             if extents(w)[:2] != (0, 0)], "the window " + title)[0]


def extents(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (e.x, e.y, e.width, e.height)


def centre(node):
    x, y, w, h = extents(node)
    return (x + w // 2, y + h // 2)


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def press(program, **match):
    """Clicks a control of the main window; the pointer enters the window
    first, which rolls it down if it was rolled up."""
    main = program.find(role=pyatspi.ROLE_DIALOG, name="Velmo Note")
    x, y, w, h = extents(main)
    if h < 100:
        # Rolled up: an Enter event rolls it down.
        xdotool("mousemove", x + w // 3, y - 30)
        time.sleep(0.5)
    xdotool("mousemove", x + w // 3, y + 10)
    wait_for(lambda: extents(main)[3] >= 100, "the main window rolled down")
    node = wait_for(lambda: [n for n in program.all(showing=True, **match) if extents(n)[3] > 0],
                    "a control " + str(match))[0]
    time.sleep(0.4)
    click(centre(node))


def open_name_bar(program, button):
    """Clicks the add or rename button and waits until the name bar has the keys."""
    press(program, description=button)
    wait_for(lambda: program.find(description="输入标签名称", showing=True) and
             program.find(description="输入标签名称").getState().contains(pyatspi.STATE_FOCUSED),
             "the name bar")


CONTROLS = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
            pyatspi.ROLE_SLIDER, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_SPIN_BUTTON)


def unnamed_controls(program):
    """What a screen reader would announce by its role alone."""
    return ["%s at %s" % (node.getRoleName(), extents(node)) for node in program.all(showing=True)
            if node.getRole() in CONTROLS and extents(node)[3] > 0 and not node.name]


def tab_names(program):
    return [tab.name for tab in program.all(role=pyatspi.ROLE_PAGE_TAB)]


def read_store(path):
    """The records of tab.dat as (name, fromFile, pathOrText)."""
    with open(path, "rb") as f:
        data = f.read()
    (count,), at, records = struct.unpack_from(">i", data), 4, []

    def string():
        nonlocal at
        (size,) = struct.unpack_from(">I", data, at)
        at += 4
        if size == 0xFFFFFFFF:
            return None
        at += size
        return data[at - size:at].decode("utf-16-be")

    for _ in range(count - 1):
        name = string()
        from_file = data[at] == 1
        at += 1
        text = string()
        on_screen = data[at] == 1
        at += 1 + (16 if on_screen else 0)
        records.append((name, from_file, text))
    return records


def x_query(*args):
    """The output of an X tool; run again when a window it walked vanished
    meanwhile (an X error), as Qt's helper windows come and go."""
    for _ in range(10):
        run = subprocess.run(list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        if "X Error" not in run.stderr:
            return run.stdout
    return ""


def tray_icon():
    """The centre of the program's icon docked in the tray host's panel, or None."""
    for panel in x_query("xdotool", "search", "--class", "trayer").split():
        for line in x_query("xwininfo", "-tree", "-id", panel).splitlines():
            if '("velmonote"' not in line:
                continue
            info = x_query("xwininfo", "-id", line.split()[0])
            fields = {name: int(value) for name, value in
                      re.findall(r"(Absolute upper-left X|Absolute upper-left Y|Width|Height):\s+(-?\d+)", info)}
            if len(fields) == 4 and fields["Width"] > 1 and fields["Height"] > 1:
                return (fields["Absolute upper-left X"] + fields["Width"] // 2,
                        fields["Absolute upper-left Y"] + fields["Height"] // 2)
    return None


def large_windows():
    """The top-level windows of at least 50x50 pixels, by id and geometry."""
    return set(line.split()[0] + " " + geometry
               for line in x_query("xwininfo", "-root", "-children").splitlines()
               for geometry in re.findall(r"\s(\d+x\d+[+-]\d+[+-]\d+)\s", line)
               if min(int(n) for n in re.match(r"(\d+)x(\d+)", geometry).groups()) >= 50)


def tray_quit():
    """Quits from the tray icon's context menu, as a user does: a right
    click opens the menu (a pop-up the accessibility tree does not show),
    and "退出", its last entry, is chosen with the keys."""
    before = large_windows()
    click(wait_for(tray_icon, "the icon in the tray"), button=3)
    wait_for(lambda: large_windows() - before, "the tray menu")
    time.sleep(0.3)
    key("Up", "Return")

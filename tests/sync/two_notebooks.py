"""Two notebooks, A and B, as on two computers: each folder kept in step with
the other by its own real Syncthing instance, a velmonote running in each
with the folder synced, driven from outside like the other journeys."""

import os
import random
import re
import shutil
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "journeys"))
sys.path.insert(0, HERE)
from journey import *  # noqa: E402,F403
from syncthing import SyncPair, SyncError  # noqa: E402,F401

HOME_TAB = "便签首页"
# Files Syncthing keeps for itself, and the default notebook's own.
NOT_NOTES = (".stfolder", ".stversions", "skin", "ring")


class Side:
    """One computer: its working folder (settings and the like) and the
    synced notebook folder inside it, with a velmonote running there."""

    def __init__(self, name, root, x, disk_size=None):
        self.name = name
        self.work = os.path.join(root, name)
        # disk_size: the notebook on a disk of its own of that size (a
        # tmpfs), which a journey can fill; None when it cannot be mounted.
        self.disk = None
        self.book = os.path.join(self.work, "book")
        if disk_size:
            disk = os.path.join(self.work, "disk")
            os.makedirs(disk)
            mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=" + disk_size, "tmpfs", disk],
                                     stderr=subprocess.PIPE, text=True)
            if mounted.returncode == 0:
                self.disk = disk
                self.book = os.path.join(disk, "book")
            else:
                print("%s: no disk of its own: %s" % (name, mounted.stderr.strip()), flush=True)
        os.makedirs(self.book)
        self.program = Program(self.work)
        self.x = x

    def start(self):
        self.program.start("--notebook", self.book, "--sync-folder")
        # Side by side, so the pointer reaches each window: the X window
        # of the process that has the main window's place and size.
        main = self.program.find(role=pyatspi.ROLE_DIALOG, name="Velmo Note")
        x, y, w, h = extents(main)
        ids = subprocess.run(["xdotool", "search", "--pid", str(self.program.process.pid)],
                             stdout=subprocess.PIPE, text=True).stdout.split()
        for window in ids:
            info = subprocess.run(["xwininfo", "-id", window], stdout=subprocess.PIPE, text=True).stdout
            if ("Absolute upper-left X:  %d\n" % x in info and "Absolute upper-left Y:  %d\n" % y in info
                    and "Width: %d\n" % w in info and "Height: %d\n" % h in info):
                xdotool("windowmove", window, self.x, 200)
        wait_for(lambda: abs(extents(main)[0] - self.x) < 20, "%s's window beside the other" % self.name)
        # The start moved the pointer out of the other window, which rolls up;
        # an Enter while it rolls is not seen, so let that end first.
        xdotool("mousemove", self.x + 200, 300)
        time.sleep(1.0)
        print("%s: pid %d" % (self.name, self.program.process.pid), flush=True)

    def kill(self):
        self.program.process.kill()
        self.program.process.wait()
        print("%s: killed" % self.name, flush=True)

    def fill_disk(self):
        """Fills the notebook's disk to the last byte with a file beside the
        notebook folder (so that the sync tool leaves it alone); returns it."""
        filler = os.path.join(self.disk, "filler")
        fd = os.open(filler, os.O_WRONLY | os.O_CREAT, 0o600)
        try:
            for size in (65536, 4096, 1):
                try:
                    while os.write(fd, b"x" * size) == size:
                        pass
                except OSError:
                    pass
        finally:
            os.close(fd)
        check(os.statvfs(self.disk).f_bavail == 0, "%s's disk is full" % self.name)
        return filler

    def alive(self):
        return self.program.process is not None and self.program.process.poll() is None

    def files(self, under=""):
        """{path relative to the notebook: text} of every file under the
        notebook (or its folder under), Syncthing's own and the default
        notebook's files left out. tab.dat holds UTF-16 text, the note files
        UTF-8: each file is read both ways."""
        found = {}
        top = os.path.join(self.book, under)
        for folder, dirs, names in os.walk(top):
            rel_folder = os.path.relpath(folder, self.book)
            dirs[:] = [d for d in dirs if os.path.join(rel_folder, d).lstrip("./") not in NOT_NOTES]
            for name in names:
                path = os.path.join(folder, name)
                try:
                    with open(path, "rb") as f:
                        data = f.read()
                except OSError:
                    continue  # gone while we looked
                found[os.path.relpath(path, self.book)] = (data.decode("utf-8", "replace") + "\n" +
                                                           data.decode("utf-16-be", "replace"))
        return found

    def holds(self, words, under=""):
        """The words that are in no file of the notebook (or of under)."""
        texts = "\n".join(self.files(under).values())
        return [w for w in words if w not in texts]


def menu_command(program, description):
    press(program, role=pyatspi.ROLE_PUSH_BUTTON, name="Velmo Note")
    button = wait_for(lambda: program.find(description=description, showing=True), "the menu panel")
    time.sleep(0.6)
    click(centre(button))
    wait_for(lambda: not program.find(description=description, showing=True), "the menu panel to close")


def current_text(program):
    """The text of the note open in the notebook (the widest text shown)."""
    editors = [e for e in program.all(role=pyatspi.ROLE_TEXT) if extents(e)[2] > 150]
    showing = [e for e in editors if e.getState().contains(pyatspi.STATE_SHOWING)]
    return "\n".join(text_of(e) for e in (showing or editors))


def current_tabs(program):
    """The names of the current tab (Qt marks it focused for AT-SPI)."""
    return [t.name for t in program.all(role=pyatspi.ROLE_PAGE_TAB) if t.getState().contains(pyatspi.STATE_FOCUSED)]


def open_tab(program, name):
    """Clicks the tab; one scrolled out of the tab bar's view (a click there
    would miss the window) is reached with Ctrl+Tab from the current one."""
    main = program.find(role=pyatspi.ROLE_DIALOG, name="Velmo Note")
    tab = wait_for(lambda: program.find(role=pyatspi.ROLE_PAGE_TAB, name=name), "the tab " + name)
    left, _, width, _ = extents(main)
    if left + 8 <= centre(tab)[0] <= left + width - 8:
        press(program, role=pyatspi.ROLE_PAGE_TAB, name=name)
    else:
        press(program, role=pyatspi.ROLE_PAGE_TAB, name=current_tabs(program)[0])
        for _ in tab_names(program):
            if current_tabs(program) == [name]:
                break
            key("ctrl+Tab")
            time.sleep(0.2)
    wait_for(lambda: current_tabs(program) == [name], "the tab %s to open" % name)


def type_into(program, name, text):
    """Opens the tab name, puts the cursor at the end of its note and types."""
    open_tab(program, name)
    time.sleep(0.3)
    editor = wait_for(lambda: [e for e in program.all(role=pyatspi.ROLE_TEXT, showing=True)
                               if extents(e)[2] > 150], "the note of " + name)[0]
    click(centre(editor))
    key("ctrl+End")
    type_text(text)
    wait_for(lambda: text.strip() in text_of(editor), "the words typed into %s to show there" % name)


def add_note(program, name, text):
    """A new tab with text in it, fixed so that it is kept."""
    open_name_bar(program, "添加便签")
    type_text(name)
    key("Return")
    wait_for(lambda: name in tab_names(program), "the tab " + name)
    type_text(text)
    menu_command(program, "常驻标签")


def note_texts(program):
    """{tab index: (name, text)} of every tab but the home tab; each tab is
    opened, so that its text is loaded."""
    texts = {}
    for index, tab in enumerate(program.all(role=pyatspi.ROLE_PAGE_TAB)):
        if tab.name == HOME_TAB:
            continue
        press(program, role=pyatspi.ROLE_PAGE_TAB, name=tab.name)
        click(centre(tab))
        time.sleep(0.3)
        texts[index] = (tab.name, current_text(program))
    return texts


def wait_saved(side, words, timeout=15):
    wait_for(lambda: not side.holds(words, "notes"), "%s to write %s to its note files" % (side.name, words),
             timeout)
    files = side.files("notes")
    print("%s saved %s in %s" % (side.name, words, sorted(f for f, text in files.items()
                                                           if any(w in text for w in words))), flush=True)


def show_files(side, pattern=r"\w+"):
    """Prints every note file of the notebook with the words of its text
    that match pattern: what the journey's log needs to see where a word went."""
    for path in sorted(side.files()):
        if not path.endswith(".not"):
            continue
        try:
            with open(os.path.join(side.book, path), encoding="utf-8", errors="replace") as f:
                text = re.sub(r"<style.*?</style>|<[^>]*>", " ", f.read(), flags=re.S)
        except OSError:
            continue
        print("  %s %s: %s" % (side.name, path, " ".join(re.findall(pattern, text))), flush=True)


class TwoNotebooks:
    """Syncthing between A and B, then velmonote started in A, the first
    notebook copied over to B by Syncthing, velmonote started in B: the way a
    user sets up a second computer."""

    def __init__(self, small_b=None):
        self.root = tempfile.mkdtemp(prefix="velmo-sync-")
        self.a = Side("A", self.root, 80)
        self.b = Side("B", self.root, 1000, small_b)
        self.pair = SyncPair(self.a.book, self.b.book)

    def __enter__(self):
        started = time.monotonic()
        try:
            self.pair.start()
            self.pair.wait_connected()
            self.a.start()
            wait_for(lambda: os.path.exists(os.path.join(self.b.book, "sync-folder.txt")),
                     "A's notebook to reach B's folder", 60)
            self.pair.wait_in_step(timeout=60)
            self.b.start()
        except BaseException:
            self.__exit__(*sys.exc_info())
            raise
        print("set up in %.1f s" % (time.monotonic() - started), flush=True)
        return self

    def __exit__(self, kind, value, trace):
        for side in (self.a, self.b):
            side.program.stop()
        self.pair.close()
        for side in (self.a, self.b):
            if side.disk:
                subprocess.run(["umount", side.disk])
        if kind is None and not os.environ.get("VELMO_KEEP_SYNCTHING"):
            shutil.rmtree(self.root, ignore_errors=True)
        elif kind is not None:
            print("notebooks kept in " + self.root, flush=True)


def run_cases(*cases, small_b=None):
    """Runs the cases in order on one pair of notebooks; a failure ends the
    journey (every wait is bounded), Syncthing and both programs end with it.
    small_b: B's notebook on a disk of that size (see Side)."""
    seed = int(os.environ.get("VELMO_SYNC_SEED", time.time()))
    print("random seed %d (VELMO_SYNC_SEED repeats it)" % seed, flush=True)
    random.seed(seed)
    with TwoNotebooks(small_b) as books:
        for case in cases:
            started = time.monotonic()
            print("== " + case.__name__, flush=True)
            case(books)
            print("== %s passed in %.1f s" % (case.__name__, time.monotonic() - started), flush=True)
    print("journey passed")

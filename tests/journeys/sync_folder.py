"""A notebook folder in sync folder mode, changed from outside while the
program runs, as a sync tool would change it (no sync tool here): a fixed
text tab moves into a note file of its own (the one a killed run already
wrote for it), a note file that tab.dat does not list comes back as a tab, a note changed outside is shown, a note
changed outside while it holds an unsaved edit keeps both texts, and a
note deleted outside leaves its text in trash/, as an unfixed one does."""

import glob
import os
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from journey import *  # noqa: E402,F403


def qstring(text):
    data = text.encode("utf-16-be")
    return struct.pack(">I", len(data)) + data


def text_in(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def write_outside(path, html):
    # As a sync tool does: a temporary file renamed over the note.
    with open(path + ".part", "w", encoding="utf-8") as f:
        f.write(html)
    os.replace(path + ".part", path)


def shown(words):
    return [e for e in program.all(role=pyatspi.ROLE_TEXT, showing=True) if words in text_of(e)]


program = Program()
work = program.work
notes = os.path.join(work, "notes")
os.makedirs(notes)
with open(os.path.join(work, "tab.dat"), "wb") as f:
    f.write(struct.pack(">i", 2) + qstring("旧") + b"\x00" + qstring("<p>old inline text</p>") + b"\x00"
            + b"\xff\xff\xff\xff")
# Written by runs that were killed before tab.dat listed them: a new note,
# and the file the text tab was being moved into.
with open(os.path.join(notes, "orphan.not"), "w", encoding="utf-8") as f:
    f.write("<p>orphan note</p>")
with open(os.path.join(notes, "moving.not"), "w", encoding="utf-8") as f:
    f.write("<p>old inline text</p>")

try:
    program.start("--sync-folder")
    check(os.path.exists(os.path.join(work, "sync-folder.txt")), "the folder is marked as a sync folder")
    wait_for(lambda: {"旧", "orphan note"} <= set(tab_names(program)), "both notes as tabs")
    records = wait_for(lambda: [r for r in read_store(os.path.join(work, "tab.dat")) if r[1]] if all(
        r[1] for r in read_store(os.path.join(work, "tab.dat"))) else None, "tab.dat to list note files only")
    paths = {name: path for name, _, path in records}
    check(sorted(paths) == ["orphan note", "旧"], "tab.dat lists both notes: %s" % paths)
    old = os.path.join(work, paths["旧"])
    check(paths["旧"] == "notes/moving.not" and "old inline text" in text_in(old),
          "the text tab found the file it was being moved into: %s" % paths["旧"])
    check(sorted(tab_names(program)) == sorted(["便签首页", "旧", "orphan note"]), "no note twice")

    # Changed outside with no edit here: shown within two seconds.
    press(program, role=pyatspi.ROLE_PAGE_TAB, name="orphan note")
    wait_for(lambda: shown("orphan note"), "the orphan note's text")
    write_outside(os.path.join(notes, "orphan.not"), "<p>orphan changed elsewhere</p>")
    wait_for(lambda: shown("orphan changed elsewhere"), "the change from outside", timeout=2.5)

    # Changed outside while edited here: both texts stay.
    press(program, role=pyatspi.ROLE_PAGE_TAB, name="旧")
    editor = wait_for(lambda: shown("old inline text"), "the note 旧")[0]
    click(centre(editor))
    key("ctrl+End")
    # The file changes while the typing goes on, so the edit is not yet
    # written when the program sees the change (it writes once typing pauses).
    typing = subprocess.Popen(["xdotool", "type", "--delay", "40", " mine and some more words"])
    wait_for(lambda: "mine" in text_of(editor), "the edit")
    write_outside(old, "<p>theirs from elsewhere</p>")
    typing.wait(10)
    wait_for(lambda: "旧（冲突）" in tab_names(program), "the conflict tab")
    copies = wait_for(lambda: glob.glob(os.path.join(notes, "*.velmo-conflict-*.not")), "the conflict copy")
    check("theirs from elsewhere" in text_in(copies[0]), "the other text is kept in %s" % os.path.basename(copies[0]))
    wait_for(lambda: "mine" in text_in(old), "the edit here to reach the note file", timeout=6)
    check("old inline text" in text_in(old), "the note file holds the text typed here")

    # Deleted outside: the tab goes, the text goes to trash/.
    os.remove(os.path.join(notes, "orphan.not"))
    wait_for(lambda: "orphan note" not in tab_names(program), "the deleted note's tab to go")
    trashed = wait_for(lambda: glob.glob(os.path.join(work, "trash", "orphan-*.not")), "the note in trash/")
    check("orphan changed elsewhere" in text_in(trashed[0]), "trash/ keeps its last text")
    wait_for(lambda: [r for r in read_store(os.path.join(work, "tab.dat"))] == [("旧", True, paths["旧"])],
             "tab.dat to list the remaining note only", timeout=6)

    # Unfixed: it stays open until the program ends, its file leaves for trash/.
    press(program, role=pyatspi.ROLE_PAGE_TAB, name="旧")
    press(program, role=pyatspi.ROLE_PUSH_BUTTON, name="Velmo Note")
    button = wait_for(lambda: program.find(description="取消常驻", showing=True), "the menu panel")
    time.sleep(0.6)
    click(centre(button))
    wait_for(lambda: not os.path.exists(old), "the unfixed note's file to go")
    kept = glob.glob(os.path.join(work, "trash", os.path.basename(old)[:-4] + "-*.not"))
    check(len(kept) == 1 and "mine" in text_in(kept[0]), "trash/ keeps the unfixed note's text")
    check("旧" in tab_names(program), "the unfixed tab stays open")
    print("journey passed")
finally:
    program.stop()

"""Notes on two computers: a notebook folder kept in step by Syncthing, a
velmonote running on each side. A note made on one side appears on the
other while both run, typing reaches the other's open tab, a deleted note
leaves the other notebook but stays in its trash/, and the same note changed
on both sides while the link was down ends with both texts on both sides. A
picture pasted on one side reaches the other's open tab, and a full disk on
one side blanks nothing on either."""

import os
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from two_notebooks import *  # noqa: E402,F403


def new_note_in_b_appears_in_a(books):
    a, b = books.a, books.b
    pid = a.program.process.pid
    add_note(b.program, "shop", "eggs and flour")
    wait_saved(b, ["eggs and flour"])
    wait_for(lambda: "shop" in tab_names(a.program), "the note made in B to show in A as a tab", 15)
    open_tab(a.program, "shop")
    wait_for(lambda: "eggs and flour" in current_text(a.program), "its text in A")
    check(a.alive() and a.program.process.pid == pid, "A showed it without a restart")


def typing_in_a_reaches_b_open_tab(books):
    a, b = books.a, books.b
    pid = b.program.process.pid
    open_tab(b.program, "shop")
    type_into(a.program, "shop", " and butter")
    wait_saved(a, ["eggs and flour and butter"])
    wait_for(lambda: "eggs and flour and butter" in current_text(b.program),
             "the words typed in A to show in B's open tab", 15)
    check(current_tabs(b.program) == ["shop"], "B's tab stayed open: %s" % current_tabs(b.program))
    check(b.alive() and b.program.process.pid == pid, "B showed it without a restart")


def picture_pasted_in_a_shows_in_b(books):
    a, b = books.a, books.b
    original = os.path.join(a.work, "pattern.png")
    write_png(original, pattern_rgb())
    type_into(a.program, "shop", " with a picture ")
    # Another program owns the clipboard, as a screenshot tool would.
    clipboard = subprocess.Popen(["xclip", "-selection", "clipboard", "-t", "image/png", "-i", original, "-loops", "0",
                                  "-quiet"])
    try:
        time.sleep(0.5)
        key("ctrl+v")
        pictures = os.path.join(a.book, "pictures")
        stored = wait_for(lambda: os.path.isdir(pictures) and os.listdir(pictures), "the picture in A's folder")
    finally:
        clipboard.kill()
        clipboard.wait()
    with open(os.path.join(pictures, stored[0]), "rb") as f:
        sent = f.read()
    wait_saved(a, ["pictures/" + stored[0]])
    arrived = os.path.join(b.book, "pictures", stored[0])

    def same_bytes():
        if not os.path.isfile(arrived):
            return False
        with open(arrived, "rb") as f:
            return f.read() == sent
    wait_for(same_bytes, "the picture's bytes in B's pictures/", 20)
    # B's tab was open all along: the note and the picture came in either order.
    check(current_tabs(b.program) == ["shop"], "B's tab stayed open: %s" % current_tabs(b.program))
    # B's window rolled up when the pointer left it for A's: in again.
    open_tab(b.program, "shop")
    editor = wait_for(lambda: [e for e in b.program.all(role=pyatspi.ROLE_TEXT, showing=True)
                               if extents(e)[2] > 150], "B's note")[0]
    wait_for(lambda: all(c > 300 for c in blocks_on_screen(extents(editor))), "the picture shown in B's tab", 20)


def deleted_in_a_lands_in_b_trash(books):
    a, b = books.a, books.b
    add_note(a.program, "old", "remove me later")
    wait_saved(a, ["remove me later"])
    wait_for(lambda: "old" in tab_names(b.program), "the note old to reach B", 15)
    # Unfix it, then delete it with its close glyph and the delete bar.
    open_tab(a.program, "old")
    menu_command(a.program, "取消常驻")
    tab = a.program.find(role=pyatspi.ROLE_PAGE_TAB, name="old")
    x, y, w, h = extents(tab)
    press(a.program, role=pyatspi.ROLE_PAGE_TAB, name="old")
    click((x + w - 23, y + h // 2))
    wait_for(lambda: a.program.find(name="删除便签“old”？", showing=True), "the delete bar")
    key("Return")
    wait_for(lambda: "old" not in tab_names(a.program), "the tab to leave A")
    wait_for(lambda: "old" not in tab_names(b.program), "the note deleted in A to leave B's notebook", 15)
    books.pair.wait_in_step()
    check(b.holds(["remove me later"], "notes") == ["remove me later"], "B's notes/ no longer hold it")
    check(not b.holds(["remove me later"], "trash"), "B's trash/ keeps its text")
    check("shop" in tab_names(b.program), "B's other notes stay")


def inline_note_from_elsewhere_survives_b_write(books):
    """A computer where the mode is off keeps a fixed note's text inside
    tab.dat; its tab.dat reaches A beside A's own (a Syncthing conflict
    copy). The note must reach both notebooks and outlive B's next tab.dat."""
    a, b = books.a, books.b

    def qstring(text):
        raw = text.encode("utf-16-be")
        return struct.pack(">I", len(raw)) + raw

    store = struct.pack(">i", 2) + qstring("inline one") + b"\x00" + qstring("<p>inline words</p>") + b"\x00"
    store += struct.pack(">I", 0xFFFFFFFF)
    copy = os.path.join(a.book, "tab.sync-conflict-20260102-030405-ABCDEFG.dat")
    with open(copy + ".part", "wb") as f:
        f.write(store)
    os.rename(copy + ".part", copy)
    for side in (a, b):
        wait_for(lambda: "inline one" in tab_names(side.program), "the inline note as a tab in %s" % side.name, 20)
        wait_saved(side, ["inline words"])
    type_into(b.program, "shop", " and milk")
    wait_saved(b, ["and milk"])
    books.pair.wait_in_step()
    for side in (a, b):
        wait_for(lambda: "inline one" in [r[0] for r in read_store(os.path.join(side.book, "tab.dat"))],
                 "%s's tab.dat to list the inline note" % side.name, 15)
        check("inline one" in tab_names(side.program), "%s still shows it" % side.name)
        check(not side.holds(["inline words"], "notes"), "%s's notes/ hold its text" % side.name)


CONFLICT = "（冲突）"


def edited_on_both_while_paused(books):
    a, b = books.a, books.b
    pair = books.pair
    pair.wait_in_step()
    pair.pause()
    type_into(a.program, "shop", " alpha from A")
    type_into(b.program, "shop", " beta from B")
    wait_saved(a, ["alpha from A"])
    wait_saved(b, ["beta from B"])
    pair.resume()
    pair.wait_in_step(timeout=45)
    words = ["alpha from A", "beta from B", "eggs and flour"]
    for side in (a, b):
        wait_for(lambda: not side.holds(words, "notes"), "both texts in %s's notes/" % side.name, 15)
    for side in (a, b):
        def shown():
            texts = "\n".join(t for _, t in note_texts(side.program).values())
            return not [w for w in words if w not in texts]
        wait_for(shown, "both texts shown in %s's notebook" % side.name, 20)
        conflicts = [n for n in tab_names(side.program) if n.endswith(CONFLICT)]
        check(conflicts, "%s marks the other version as a conflict: %s" % (side.name, tab_names(side.program)))


def full_disk_in_b_blanks_nothing(books):
    """B's notebook is on a small disk that fills while B types and renames:
    nothing goes blank on either side, and once space returns B's text and
    name are saved with nobody typing, and reach A."""
    a, b = books.a, books.b
    if not b.disk:
        print("SKIPPED full_disk_in_b_blanks_nothing: no disk of its own for B", flush=True)
        return
    books.pair.wait_in_step()
    filler = b.fill_disk()
    type_into(b.program, "shop", " typed while full")
    open_name_bar(b.program, "便签改名")
    type_text("groceries")
    key("Return")
    wait_for(lambda: "groceries" in tab_names(b.program), "B's tab renamed")
    wait_for(lambda: [n for n in b.program.all(showing=True) if "磁盘已满" in (n.name or "")],
             "B to tell that its disk is full", 15)
    # Saves are tried and retried while the disk stays full.
    time.sleep(5)
    for side in (a, b):
        names = [p for p in side.files() if p == "tab.dat" or p.startswith("notes/")]
        empty = [p for p in names if os.path.getsize(os.path.join(side.book, p)) == 0]
        check(names and not empty, "no empty file in %s's notebook: %s" % (side.name, empty))
        check("shop" in [r[0] for r in read_store(os.path.join(side.book, "tab.dat"))],
              "%s's tab.dat keeps the last saved name" % side.name)
    check("typed while full" in current_text(b.program), "B still shows what was typed")
    open_tab(a.program, "shop")
    check("eggs and flour" in current_text(a.program), "A's tab is not blank")

    os.remove(filler)
    wait_saved(b, ["typed while full"], 30)
    wait_for(lambda: "groceries" in [r[0] for r in read_store(os.path.join(b.book, "tab.dat"))],
             "B's tab.dat to take the name", 30)
    wait_for(lambda: "groceries" in tab_names(a.program), "the name to reach A", 30)
    open_tab(a.program, "groceries")
    wait_for(lambda: "eggs and flour" in current_text(a.program) and "typed while full" in current_text(a.program),
             "the words typed while B's disk was full to show in A", 20)


if __name__ == "__main__":
    run_cases(new_note_in_b_appears_in_a, typing_in_a_reaches_b_open_tab, picture_pasted_in_a_shows_in_b,
              deleted_in_a_lands_in_b_trash, inline_note_from_elsewhere_survives_b_write,
              edited_on_both_while_paused, full_disk_in_b_blanks_nothing, small_b="4m")

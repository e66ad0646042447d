"""A newcomer's note is kept: add one with Enter, type, quit from the tray,
start again: the note and its text are back. With "keep new notes" off, a
scratch note that holds text at quit goes to trash/ (the user is not asked),
and comes back from "Recently deleted" as a fixed note."""

import glob
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from journey import *  # noqa: E402,F403

program = Program()
work = program.work
trash = os.path.join(work, "trash")


def menu_command(description):
    press(program, role=pyatspi.ROLE_PUSH_BUTTON, name="Velmo Note")
    button = wait_for(lambda: program.find(description=description, showing=True), "the menu panel")
    time.sleep(0.6)
    click(centre(button))


def add_note(name, text):
    open_name_bar(program, "添加便签")
    type_text(name)
    key("Return")
    wait_for(lambda: name in tab_names(program), "the tab " + name)
    type_text(text)
    wait_for(lambda: [e for e in program.all(role=pyatspi.ROLE_TEXT, showing=True) if text in text_of(e)],
             "the text typed into " + name)


def quit_from_tray():
    tray_quit()
    check(program.wait_ended(timeout=30) == 0, "the program quit cleanly")


def shown_text(words):
    return wait_for(lambda: [e for e in program.all(role=pyatspi.ROLE_TEXT, showing=True) if words in text_of(e)],
                    "the note holding " + words)[0]


try:
    program.start()
    add_note("Shopping", "milk and bread")
    quit_from_tray()
    records = read_store(os.path.join(work, "tab.dat"))
    check([r[0] for r in records] == ["Shopping"] and "milk and bread" in records[0][2],
          "tab.dat keeps the new note without a step more: %s" % [r[0] for r in records])
    check(not glob.glob(os.path.join(trash, "*.not")), "nothing went to trash/")

    program.start()
    wait_for(lambda: "Shopping" in tab_names(program), "the note back after the restart")
    press(program, role=pyatspi.ROLE_PAGE_TAB, name="Shopping")
    check(text_of(shown_text("milk and bread")).strip() == "milk and bread", "its text is back as typed")

    # The design's scratch tabs: the check entry off, a new note is not stored.
    menu_command("新便签自动常驻")
    wait_for(lambda: not program.find(description="新便签自动常驻", showing=True), "the menu panel to close")
    add_note("Scratch", "draft words")
    time.sleep(2.5)  # an autosave would have run
    check([r[0] for r in read_store(os.path.join(work, "tab.dat"))] == ["Shopping"],
          "the scratch note is not in tab.dat")
    quit_from_tray()
    entries = glob.glob(os.path.join(trash, "*.not"))
    check(len(entries) == 1, "the scratch note went to trash/: %s" % entries)
    with open(entries[0], encoding="utf-8") as f:
        kept = f.read()
    check("draft words" in kept and 'content="Scratch"' in kept, "trash/ keeps its text and its name")
    check([r[0] for r in read_store(os.path.join(work, "tab.dat"))] == ["Shopping"], "tab.dat still lists Shopping only")

    program.start()
    menu_command("最近删除")
    placed(program, "最近删除")
    wait_for(lambda: program.find(name="Scratch", showing=True), "the entry listed by its name")
    key("Return")
    wait_for(lambda: "Scratch" in tab_names(program), "the note restored as a tab")
    check(text_of(shown_text("draft words")).strip() == "draft words", "the restored note holds its text")
    check(not glob.glob(os.path.join(trash, "*.not")), "its entry left trash/")
    quit_from_tray()
    records = read_store(os.path.join(work, "tab.dat"))
    check([r[0] for r in records] == ["Shopping", "Scratch"], "the restored note is fixed: %s" % [r[0] for r in records])
    print("journey passed")
finally:
    program.stop()

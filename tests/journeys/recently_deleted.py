"""A deleted note is not gone: the delete question names it, Ctrl+Z right
after the delete brings it back; deleted again, it survives a quit and a
start in trash/ and comes back from "Recently deleted" with the same name
and text."""

import glob
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from journey import *  # noqa: E402,F403

program = Program()
work = program.work
trash = os.path.join(work, "trash")
LINES = ["call Anna", "buy stamps"]


def editor_with(words):
    return wait_for(lambda: [e for e in program.all(role=pyatspi.ROLE_TEXT, showing=True) if words in text_of(e)],
                    "the note holding " + words)[0]


def delete_tab(name):
    """Clicks the tab's close glyph (this style draws it 24 pixels in from
    the tab's right end) and confirms with Enter."""
    tab = wait_for(lambda: program.find(role=pyatspi.ROLE_PAGE_TAB, name=name, showing=True), "the tab " + name)
    press(program, role=pyatspi.ROLE_PAGE_TAB, name=name)
    x, y, w, h = extents(tab)
    time.sleep(0.6)  # not a double click with the click on the tab
    click((x + w - 24, y + h // 2))
    question = "删除便签“%s”？" % name
    wait_for(lambda: program.find(name=question, showing=True), "the delete question naming the note")
    key("Return")
    wait_for(lambda: name not in tab_names(program), "the tab deleted")


try:
    program.start()
    open_name_bar(program, "添加便签")
    type_text("Plan")
    key("Return")
    wait_for(lambda: "Plan" in tab_names(program), "the new tab")
    type_text(LINES[0])
    key("Return")
    type_text(LINES[1])
    editor_with(LINES[1])

    delete_tab("Plan")
    check(len(glob.glob(os.path.join(trash, "*.not"))) == 1, "the deleted note is in trash/")
    key("ctrl+z")
    wait_for(lambda: "Plan" in tab_names(program), "Ctrl+Z to bring the note back")
    check(text_of(editor_with(LINES[0])) == "\n".join(LINES), "it came back with its text")
    check(not glob.glob(os.path.join(trash, "*.not")), "its entry left trash/")

    delete_tab("Plan")
    tray_quit()
    check(program.wait_ended(timeout=30) == 0, "the program quit cleanly")
    check(read_store(os.path.join(work, "tab.dat")) == [], "tab.dat no longer lists the note")

    program.start()
    check("Plan" not in tab_names(program), "the deleted note stays deleted after the restart")
    press(program, role=pyatspi.ROLE_PUSH_BUTTON, name="Velmo Note")
    entry = wait_for(lambda: program.find(description="最近删除", showing=True), "the menu panel")
    time.sleep(0.6)
    click(centre(entry))
    placed(program, "最近删除")
    wait_for(lambda: program.find(name="Plan", showing=True), "the entry listed by its name")
    check(program.find(name=LINES[0], showing=True), "the entry shows its first line")
    key("Return")
    wait_for(lambda: "Plan" in tab_names(program), "the note restored")
    check(text_of(editor_with(LINES[0])) == "\n".join(LINES), "restored with the same text")
    tray_quit()
    check(program.wait_ended(timeout=30) == 0, "the program quit cleanly")
    records = read_store(os.path.join(work, "tab.dat"))
    check([r[0] for r in records] == ["Plan"] and LINES[1] in records[0][2], "the restored note is kept: %s" % records)
    print("journey passed")
finally:
    program.stop()

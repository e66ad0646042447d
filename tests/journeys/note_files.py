"""Note files are written only after the user changed their text: open one,
fix it, quit without editing; start again, clear it, undo, quit. The files
stay byte for byte as they were and nothing appears beside them."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from journey import *  # noqa: E402,F403

program = Program()
files = {"plan.txt": b"buy milk\nfix the bike\n",
         "memo.not": b"<html><body><p>call <b>Anna</b></p></body></html>"}
folder = os.path.join(program.work, "notes")
os.makedirs(folder)
for name, data in files.items():
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def menu_command(description):
    press(program, role=pyatspi.ROLE_PUSH_BUTTON, name="Velmo Note")
    button = wait_for(lambda: program.find(description=description, showing=True), "the menu panel")
    time.sleep(0.6)
    click(centre(button))


def unchanged(when):
    for name, data in files.items():
        with open(os.path.join(folder, name), "rb") as f:
            check(f.read() == data, "%s: %s is unchanged" % (when, name))
    check(sorted(os.listdir(folder)) == sorted(files), "%s: no file appeared beside them" % when)


try:
    program.start()
    for name, data in files.items():
        menu_command("打开便签")
        placed(program, "选择文件")
        time.sleep(0.5)
        type_text(os.path.join(folder, name))
        key("Return")
        title = os.path.splitext(name)[0]
        wait_for(lambda: title in tab_names(program), "the tab of " + name)
        words = {"plan.txt": "fix the bike", "memo.not": "call Anna"}[name]
        wait_for(lambda: [e for e in program.all(role=pyatspi.ROLE_TEXT, showing=True)
                          if words in text_of(e)], "the text of " + name)
        menu_command("常驻标签")
        time.sleep(0.5)
    time.sleep(2.5)  # an autosave would have run
    menu_command("退出")
    check(program.wait_ended() == 0, "the program quit")
    unchanged("opened and fixed")

    program.start()
    press(program, role=pyatspi.ROLE_PAGE_TAB, name="plan")
    editor = wait_for(lambda: [e for e in program.all(role=pyatspi.ROLE_TEXT, showing=True)
                               if "buy milk" in text_of(e)], "the restored note")[0]
    menu_command("清空便签")
    wait_for(lambda: text_of(editor).strip() == "", "the note to be cleared")
    key("ctrl+z")
    wait_for(lambda: "buy milk" in text_of(editor), "undo to bring the text back")
    time.sleep(2.5)
    menu_command("退出")
    check(program.wait_ended() == 0, "the program quit")
    unchanged("cleared and undone")
    print("journey passed")
finally:
    program.stop()

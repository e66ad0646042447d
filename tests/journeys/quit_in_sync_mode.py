"""A notebook in sync folder mode, quit through the tray menu as a user
quits it: the program ends cleanly (in the sanitizer build any use of a
destroyed object ends it with an error status), and what was typed last is
in the note's file, which tab.dat lists."""

import glob
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from journey import *  # noqa: E402,F403

program = Program()
work = program.work
try:
    program.start("--sync-folder")
    check(os.path.exists(os.path.join(work, "sync-folder.txt")), "the folder is marked as a sync folder")

    open_name_bar(program, "添加便签")
    type_text("plan")
    key("Return")
    wait_for(lambda: "plan" in tab_names(program), "the new tab")
    type_text("first line")
    press(program, role=pyatspi.ROLE_PUSH_BUTTON, name="Velmo Note")
    fixed = wait_for(lambda: program.find(description="常驻标签", showing=True), "the menu panel")
    time.sleep(0.6)
    click(centre(fixed))
    wait_for(lambda: not program.find(description="常驻标签", showing=True), "the menu panel to close")
    files = wait_for(lambda: glob.glob(os.path.join(work, "notes", "*.not")), "the note's own file")
    check(len(files) == 1, "one note file: %s" % files)

    # Typed just before the quit: only the quit's save can keep it.
    key("End")
    type_text(" last words")
    tray_quit()
    check(program.wait_ended(timeout=30) == 0, "the program quit cleanly")

    with open(files[0], encoding="utf-8") as f:
        check("first line last words" in f.read(), "the note file holds the last words")
    records = read_store(os.path.join(work, "tab.dat"))
    check(records == [("plan", True, "notes/" + os.path.basename(files[0]))],
          "tab.dat lists the note by its file: %s" % records)
    print("journey passed")
finally:
    program.stop()

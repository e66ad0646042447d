"""A first start: add a tab with the keyboard, type, fix it, stick it on the
screen, see the note, drag it, set a reminder, put it back, quit, start again."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from journey import *  # noqa: E402,F403

program = Program()
try:
    program.start()
    main = program.find(role=pyatspi.ROLE_DIALOG, name="Velmo Note")
    main_rect = extents(main)
    check(unnamed_controls(program) == [], "every control of the main window has a name: %s" % unnamed_controls(program))

    # Add a tab: the name bar takes the keys, Enter confirms it.
    open_name_bar(program, "添加便签")
    type_text("plan")
    key("Return")
    wait_for(lambda: "plan" in tab_names(program), "the tab added with Enter")
    check(not program.find(description="常驻标签", showing=True), "Enter did not open the menu panel")
    type_text("first line")
    editor = wait_for(lambda: [e for e in program.all(role=pyatspi.ROLE_TEXT, showing=True)
                               if "first line" in text_of(e)], "typed text in the new note")[0]

    # Rename with keypad Enter; Esc cancels just the bar.
    open_name_bar(program, "便签改名")
    type_text("plan2")
    key("KP_Enter")
    wait_for(lambda: "plan2" in tab_names(program), "the tab renamed with keypad Enter")
    open_name_bar(program, "添加便签")
    key("Escape")
    time.sleep(0.6)
    check(not program.find(description="输入标签名称", showing=True), "Esc closed the name bar")
    check(program.find(description="添加便签", showing=True), "Esc left the main window open")
    check(tab_names(program).count("plan2") == 1 and "" not in tab_names(program), "Esc added no tab")

    # Fix it from the menu panel; typing then goes on in the note, Enter too.
    press(program, role=pyatspi.ROLE_PUSH_BUTTON, name="Velmo Note")
    fixed = wait_for(lambda: program.find(description="常驻标签", showing=True), "the menu panel")
    time.sleep(0.6)
    check(unnamed_controls(program) == [], "every control of the menu panel has a name: %s" % unnamed_controls(program))
    click(centre(fixed))
    wait_for(lambda: not program.find(description="常驻标签", showing=True), "the menu panel to close")
    key("End")
    type_text(" second")
    key("Return")
    time.sleep(0.6)
    check("first line second" in text_of(editor), "typing after a menu command reaches the note")
    check(not program.find(description="常驻标签", showing=True), "Enter after a menu command stays in the note")

    # Stick it on the screen: the note shows beside the main window, on top.
    before = Shot()
    press(program, description="贴在屏幕上")
    note = placed(program, "plan2")
    time.sleep(0.8)
    note_rect = extents(note)
    after = Shot()
    after.save("note-on-screen")
    nx, ny, nw, nh = note_rect
    mx, my, mw, mh = main_rect
    check(nx >= 0 and ny >= 0 and nx + nw <= after.width and ny + nh <= after.height, "the note is wholly on screen")
    check(nx >= mx + mw or nx + nw <= mx or ny >= my + mh or ny + nh <= my, "the note does not cover the main window")
    # Its paper is on screen where the desktop was before.
    paper = extents(wait_for(lambda: [e for e in program.all(role=pyatspi.ROLE_TEXT, showing=True)
                                      if "first line" in text_of(e)], "the note's text")[0])
    points = [(paper[0] + paper[2] * i // 10, paper[1] + paper[3] * j // 10) for i in range(2, 9) for j in range(2, 9)]
    light = sum(1 for p in points if luminance(after.pixel(*p)) > 0.5)
    changed = sum(1 for p in points if after.pixel(*p) != before.pixel(*p))
    check(light > len(points) // 2 and changed > len(points) // 2, "the note's paper is visible on the screen")

    # Drag it by its strip.
    drag((nx + 30, ny + 8), (nx + 130, ny + 68))
    moved = wait_for(lambda: extents(note)[:2] != (nx, ny) and extents(note), "the note to move")
    check(abs(moved[0] - nx - 100) <= 2 and abs(moved[1] - ny - 60) <= 2, "the note follows the pointer")

    # A reminder: the clock dialog opens from the note and takes the setting.
    click(centre(program.find(description="定时提醒", showing=True)))
    placed(program, "定时提醒")
    time.sleep(0.3)
    active = program.find(role=pyatspi.ROLE_CHECK_BOX, name="激活", showing=True)
    check(unnamed_controls(program) == [], "every control of the note and its reminder has a name: %s"
          % unnamed_controls(program))
    click(centre(active))
    wait_for(lambda: active.getState().contains(pyatspi.STATE_CHECKED), "the reminder to be active")
    click(centre(program.find(description="关闭窗口", showing=True)))

    # Put it back and quit from the menu panel.
    click(centre(program.find(description="关闭便笺", showing=True)))
    wait_for(lambda: "plan2" in tab_names(program), "the note back in its tab")
    press(program, role=pyatspi.ROLE_PUSH_BUTTON, name="Velmo Note")
    quit_button = wait_for(lambda: program.find(description="退出", showing=True), "the menu panel")
    time.sleep(0.6)
    click(centre(quit_button))
    check(program.wait_ended() == 0, "the program quit")

    # Start again: the fixed tab is back with its text.
    program.start()
    check("plan2" in tab_names(program), "the fixed tab is back")
    tab = program.find(role=pyatspi.ROLE_PAGE_TAB, name="plan2")
    click(centre(tab))
    wait_for(lambda: [e for e in program.all(role=pyatspi.ROLE_TEXT, showing=True)
                      if "first line second" in text_of(e)], "the note's text after a restart")
    print("journey passed")
finally:
    program.stop()

"""What a user set is still there after a real quit and restart: a desktop
note's keep-on-top, read-only, opacity and its reminder (a time and an
interval), the main window's size, place and auto-hide choice. A time
reminder that fell due while the program was stopped is reported at start
and marks the note until it is opened. A side file full of garbage never
stops a start: the notes come back, the user is told, the file is kept."""

import datetime
import glob
import json
import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from journey import *  # noqa: E402,F403

NOTE = "memo"
MARKED = NOTE + "（错过提醒）"


def control(inside, text, role=None):
    """A control of inside named (or described) text, as a screen reader finds it."""
    return wait_for(lambda: [n for n in program.all(inside=inside, showing=True)
                             if (n.name == text or n.description == text) and extents(n)[3] > 0
                             and (role is None or n.getRole() == role)], "the control " + text)[0]


def checked(node):
    return node.getState().contains(pyatspi.STATE_CHECKED)


def note_window(prefix):
    """The X window, shown, whose title starts with prefix."""
    def shown():
        for window in x_query("xdotool", "search", "--name", "^" + re.escape(prefix)).split():
            if "IsViewable" in x_query("xwininfo", "-id", window):
                return window
        return None
    return wait_for(shown, "the X window of " + prefix)


def fix_current_tab():
    press(program, role=pyatspi.ROLE_PUSH_BUTTON, name="Velmo Note")
    fixed = wait_for(lambda: program.find(description="常驻标签", showing=True), "the menu panel")
    time.sleep(0.6)
    click(centre(fixed))
    wait_for(lambda: not program.find(description="常驻标签", showing=True), "the menu panel to close")


def shown_notice(text):
    """The window's message label, or a balloon, showing text."""
    return wait_for(lambda: [n for n in program.all(showing=True) if text in (n.name or "")],
                    "the notice " + text, timeout=15)


program = Program()
work = program.work
state_path = os.path.join(work, "notebook-state.json")
try:
    program.start()
    open_name_bar(program, "添加便签")
    type_text(NOTE)
    key("Return")
    wait_for(lambda: NOTE in tab_names(program), "the new tab")
    type_text("buy milk")
    fix_current_tab()
    press(program, description="贴在屏幕上")
    note = placed(program, NOTE)

    click(centre(control(note, "保持最前")))
    click(centre(control(note, "设为只读")))
    slider = control(note, "不透明度", role=pyatspi.ROLE_SLIDER)
    click(centre(slider))
    key("Home", "Right", "Right")  # 5 -> 7 tenths

    # The reminder: a time reminder two minutes ahead, an interval of 30 minutes.
    click(centre(control(note, "定时提醒")))
    dialog = placed(program, "定时提醒")
    click(centre(control(dialog, "激活", role=pyatspi.ROLE_CHECK_BOX)))
    time_edit = wait_for(lambda: [n for n in program.all(inside=dialog, name="定时提醒:", showing=True)
                                  if n.getRole() != pyatspi.ROLE_LABEL], "the time field")[0]
    shown = text_of(time_edit)
    due = (datetime.datetime.now() + datetime.timedelta(minutes=2)).replace(second=0, microsecond=0)
    # Only the hours and minutes are written over, in the field's own format.
    new_text = re.sub(r"\d{1,2}:\d{2}(:\d{2})?$", due.strftime("%H:%M"), shown)
    check(new_text != shown or due.strftime("%H:%M") in shown, "the time field reads %r" % shown)
    click(centre(time_edit))
    key("ctrl+a")
    type_text(new_text)
    click(centre(control(dialog, "间隔提醒(分):", role=pyatspi.ROLE_TEXT)))
    type_text("30")
    click(centre(control(dialog, "确定")))
    wait_for(lambda: not program.find(role=pyatspi.ROLE_DIALOG, name="定时提醒", showing=True), "the dialog to close")

    # The main window: moved by its strip, made larger by its grip, auto-hide off.
    press(program, role=pyatspi.ROLE_PUSH_BUTTON, name="Velmo Note")
    auto_hide = wait_for(lambda: program.find(description="自动隐藏", showing=True), "the menu panel")
    time.sleep(0.6)
    click(centre(auto_hide))
    wait_for(lambda: not program.find(description="自动隐藏", showing=True), "the menu panel to close")
    main = program.find(role=pyatspi.ROLE_DIALOG, name="Velmo Note")
    x, y, w, h = extents(main)
    drag((x + 60, y + 12), (x - 200, y - 100))
    x, y, w, h = wait_for(lambda: extents(main)[0] != x and extents(main), "the window to move")
    drag((x + w - 6, y + h - 6), (x + w + 94, y + h + 64))
    before = wait_for(lambda: extents(main)[2] > w and extents(main), "the window to grow")
    print("main window left at %s" % (before,), flush=True)

    tray_quit()
    check(program.wait_ended(timeout=30) == 0, "the program quit")

    with open(state_path, encoding="utf-8") as f:
        kept = json.load(f)
    notes = list(kept["notes"].values())
    check(len(notes) == 1 and notes[0]["name"] == NOTE, "the side file keeps the note: %s" % notes)
    settings = notes[0]
    check(settings["keepOnTop"] and settings["readOnly"] and settings["opacity"] == 7,
          "keep-on-top, read-only and opacity 7 written: %s" % settings)
    reminder = settings["reminder"]
    check(reminder["time"] and reminder["moment"].startswith(due.strftime("%Y-%m-%dT%H:%M"))
          and reminder["interval"] and reminder["minutes"] == 30, "both reminders written: %s" % reminder)

    # The time reminder falls due while the program is stopped (its seconds
    # are those of the moment the dialog opened).
    moment = datetime.datetime.strptime(reminder["moment"], "%Y-%m-%dT%H:%M:%S")
    wait_for(lambda: datetime.datetime.now() > moment + datetime.timedelta(seconds=2), "the reminder's time",
             timeout=200)
    program.start()
    shown_notice("错过了提醒")
    note = placed(program, MARKED)
    check(True, "the note comes back marked as having missed its reminder")
    window = note_window(NOTE)
    states = x_query("xprop", "-id", window, "_NET_WM_STATE")
    check("_NET_WM_STATE_ABOVE" in states, "the note stays on top: %s" % states.strip())
    opacity = x_query("xprop", "-id", window, "_NET_WM_WINDOW_OPACITY")
    value = int(re.search(r"=\s*(\d+)", opacity).group(1)) if "=" in opacity else -1
    check(abs(value / 0xFFFFFFFF - 0.7) < 0.01, "the note's opacity is 0.7: %s" % opacity.strip())
    check(checked(control(note, "设为只读")), "the read-only button is on")
    editor = wait_for(lambda: program.find(role=pyatspi.ROLE_TEXT, inside=note), "the note's text")
    check(not editor.getState().contains(pyatspi.STATE_EDITABLE), "the note's text is read-only")

    main = program.find(role=pyatspi.ROLE_DIALOG, name="Velmo Note")
    check(extents(main) == before, "the main window is back at %s: %s" % (before, extents(main)))
    xdotool("mousemove", before[0] + before[2] + 150, before[1] + before[3] + 150)
    time.sleep(1.0)
    check(extents(main)[3] == before[3], "auto-hide stays off: the window does not roll up")

    # Both reminders armed: the reminder dialog shows them.
    click(centre(control(note, "定时提醒")))
    dialog = placed(program, "定时提醒")
    check(checked(control(dialog, "激活", role=pyatspi.ROLE_CHECK_BOX)), "the time reminder is on")
    gap = control(dialog, "间隔提醒(分):", role=pyatspi.ROLE_TEXT)
    check(text_of(gap) == "30", "the interval reminder is 30 minutes: %r" % text_of(gap))
    click(centre(control(dialog, "取消")))
    wait_for(lambda: not program.find(role=pyatspi.ROLE_DIALOG, name="定时提醒", showing=True), "the dialog to close")
    # Opening the note takes the mark away.
    click(centre(editor))
    wait_for(lambda: program.find(role=pyatspi.ROLE_DIALOG, name=NOTE, showing=True), "the mark to go")
    check(True, "a click into the note clears the mark")
    tray_quit()
    check(program.wait_ended(timeout=30) == 0, "the program quit again")
    with open(state_path, encoding="utf-8") as f:
        check(not list(json.load(f)["notes"].values())[0]["missed"], "the side file no longer marks it")

    # Garbage in the side file: the notes come back, the user is told, the file kept aside.
    garbage = b"\x00{not json at all"
    with open(state_path, "wb") as f:
        f.write(garbage)
    program.start()
    placed(program, NOTE)
    shown_notice("提醒和设置已恢复为默认")
    copies = glob.glob(state_path + ".damaged-*")
    check(len(copies) == 1, "the damaged file is kept aside: %s" % copies)
    with open(copies[0], "rb") as f:
        check(f.read() == garbage, "the copy holds the damaged bytes")
    tray_quit()
    check(program.wait_ended(timeout=30) == 0, "the program quit after the damaged start")
    print("journey passed")
finally:
    program.stop()

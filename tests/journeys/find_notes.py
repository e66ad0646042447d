"""Reaching one note of fifty: the search over all notes finds a word that
only note 37 holds and Enter shows that note with the word selected; the
list of notes at the end of the tab bar reaches note 5 in two clicks and
the keys step on from there; a .txt file dragged from another program
onto the rolled-up window rolls it down and opens as a note; a dragged
picture goes into the note (kept in the notebook's pictures/) and dragged
text goes into the note."""

import os
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from journey import *  # noqa: E402,F403

NOTES = 50
WORD = "zebracorn"


def qstring(text):
    data = text.encode("utf-16-be")
    return struct.pack(">I", len(data)) + data


def note_html(i):
    # Every note shares most words; the word is in note 37 only, inside markup.
    words = "<p>Note %02d: milk, bread, 会议记录 and the <b>weekly</b> plan.</p>" % i
    if i == 37:
        words += "<p>Ask about the <i>zebra</i><b>corn</b> project.</p>"
    return "<html><body>%s</body></html>" % words


program = Program()
records = b"".join(qstring("Note %02d" % i) + b"\x00" + qstring(note_html(i)) + b"\x00"
                   for i in range(1, NOTES + 1))
with open(os.path.join(program.work, "tab.dat"), "wb") as f:
    f.write(struct.pack(">i", NOTES + 1) + records + qstring(""))
dropped = os.path.join(program.work, "shopping list.txt")
with open(dropped, "w", encoding="utf-8") as f:
    f.write("apples\npears\n")


def shown_note():
    """The text of the note the main window shows."""
    texts = [text_of(e) for e in program.all(role=pyatspi.ROLE_TEXT, showing=True) if extents(e)[3] > 100]
    return texts[0] if len(texts) == 1 else None


def shown_selection():
    """The selected text of the note editor on show."""
    for editor in program.all(role=pyatspi.ROLE_TEXT, showing=True):
        text = editor.queryText()
        if text.getNSelections() > 0:
            start, end = text.getSelection(0)
            return text.getText(start, end)
    return None


def list_items(list_node):
    return [list_node.getChildAtIndex(i) for i in range(list_node.childCount)]


try:
    program.start()
    main = program.find(role=pyatspi.ROLE_DIALOG, name="Velmo Note")
    # The keys go to the main window: a click on its title strip.
    x, y, w, h = extents(main)
    click((x + 60, y + 12))

    # ---- search all notes ----
    key("ctrl+shift+f")
    wait_for(lambda: [n for n in program.all(name="搜索所有便签", showing=True)
                      if n.getRole() != pyatspi.ROLE_DIALOG and n.getState().contains(pyatspi.STATE_FOCUSED)],
             "the search field with the keys")
    type_text(WORD)
    results = wait_for(lambda: program.find(role=pyatspi.ROLE_LIST, name="搜索结果", showing=True), "the results")
    wait_for(lambda: results.childCount == 1 and WORD in results.getChildAtIndex(0).name,
             "one result holding the word")
    check(results.getChildAtIndex(0).name.startswith("Note 37"),
          "the result is note 37: %r" % results.getChildAtIndex(0).name)
    key("Return")
    wait_for(lambda: (shown_note() or "").startswith("Note 37:"), "note 37 to be shown")
    wait_for(lambda: shown_selection() == WORD, "the word selected in note 37")
    check(True, "note 37 shown with %r selected" % shown_selection())

    # ---- the list of notes: note 5 in two clicks ----
    press(program, description="所有便签")                     # action 1
    note_list = wait_for(lambda: program.find(role=pyatspi.ROLE_LIST, name="便签列表", showing=True),
                         "the list of notes")
    wait_for(lambda: note_list.childCount == NOTES + 1, "every note listed")
    item = wait_for(lambda: [i for i in list_items(note_list) if i.name.startswith("Note 05")
                             and extents(i)[3] > 0], "note 5 in the list")[0]
    names = [i.name for i in list_items(note_list)]
    check(any("常驻" in n for n in names), "the list names each note's kind: %r" % names[1])
    click(centre(item))                                         # action 2
    wait_for(lambda: (shown_note() or "").startswith("Note 05:"), "note 5 to be shown")
    check(True, "note 5 of 50 reached in two clicks")
    # The filter field has the keys: a few of the name and Enter.
    press(program, description="所有便签")
    wait_for(lambda: program.find(role=pyatspi.ROLE_LIST, name="便签列表", showing=True), "the list again")
    type_text("42")
    key("Return")
    wait_for(lambda: (shown_note() or "").startswith("Note 42:"), "the note the filter leaves, note 42, to be shown")
    # The keys step through the tabs, wherever the typing is.
    for keys, note in (("ctrl+Tab", "Note 43:"), ("ctrl+shift+Tab", "Note 42:"), ("ctrl+9", "Note 50:")):
        key(keys)
        wait_for(lambda: (shown_note() or "").startswith(note), "%s to show %s" % (keys, note))
    check(True, "Ctrl+Tab, Ctrl+Shift+Tab and Ctrl+9 switch tabs")

    # ---- drag a .txt file from another program onto the rolled-up window ----
    source = subprocess.Popen([os.environ["VELMO_DRAG_SOURCE"], dropped], stdout=subprocess.PIPE, text=True)
    try:
        placed(program, "Velmo Note")
        # The pointer leaves: the window rolls up.
        x, y, w, h = extents(main)
        xdotool("mousemove", x + w // 2, y + h // 2)
        time.sleep(0.5)
        xdotool("mousemove", 80, 80)
        wait_for(lambda: extents(main)[3] < 100, "the window to roll up")
        time.sleep(0.5)
        x, y, w, h = extents(main)
        xdotool("mousemove", 120, 100)
        time.sleep(0.3)
        xdotool("mousedown", 1)
        for step in range(1, 9):
            xdotool("mousemove", 120 + (x + 60 - 120) * step // 8, 100 + (y + 12 - 100) * step // 8)
            time.sleep(0.08)
        wait_for(lambda: extents(main)[3] >= 100, "the window to roll down under the drag")
        x, y, w, h = extents(main)
        # Over the note, then lower down: the window stays down.
        for target in ((x + w // 2, y + h // 2), (x + w // 2, y + h - 40)):
            xdotool("mousemove", *target)
            time.sleep(0.3)
        check(extents(main)[3] >= 100, "still rolled down while the drag is over the window")
        xdotool("mouseup", 1)
        check(source.stdout.readline().strip() == "drop action 1", "the drag ended in a copy")
        wait_for(lambda: "shopping list" in tab_names(program), "the dropped file's tab")
        wait_for(lambda: (shown_note() or "").startswith("apples"), "the dropped file's text shown")
    finally:
        source.kill()
        source.wait()
    check(True, "the dropped .txt file opened as a note")

    # ---- a dragged picture and dragged text go into the note ----
    picture = os.path.join(program.work, "photo.png")
    write_png(picture, [bytes((200, 30, 40)) * 64] * 48)
    pictures = os.path.join(program.work, "pictures")
    x, y, w, h = extents(main)
    for args in ([picture], ["--text", "dropped words"]):
        source = subprocess.Popen([os.environ["VELMO_DRAG_SOURCE"], *args], stdout=subprocess.PIPE, text=True)
        try:
            # Polled rather than xdotool's --sync: the last source's window
            # going away during a search fails it with BadWindow.
            wait_for(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^drag source$"],
                                            capture_output=True).returncode == 0, "the drag source's window")
            time.sleep(0.5)
            # Over the strip first: the window may have rolled up when the pointer left it.
            xdotool("mousemove", 120, 100)
            time.sleep(0.2)
            xdotool("mousedown", 1)
            for step in range(1, 9):
                xdotool("mousemove", 120 + (x + 60 - 120) * step // 8, 100 + (y + 12 - 100) * step // 8)
                time.sleep(0.08)
            wait_for(lambda: extents(main)[3] >= 100, "the window down under the drag")
            for step in range(1, 5):
                xdotool("mousemove", x + 60 + (w // 2 - 60) * step // 4, y + 12 + (h // 2 - 12) * step // 4)
                time.sleep(0.08)
            xdotool("mouseup", 1)
            ended = source.stdout.readline().strip()
            check(ended.startswith("drop action"), "the drag of %s ended: %s" % (args[-1], ended))
            # The source stays until the note has the data: it is read after the drop.
            if args[0] == picture:
                wait_for(lambda: os.path.isdir(pictures) and len(os.listdir(pictures)) == 1,
                         "the dropped picture kept in pictures/")
                check("photo" not in tab_names(program), "no tab for the picture")
            else:
                wait_for(lambda: "dropped words" in (shown_note() or ""), "the dragged text in the note")
        finally:
            source.kill()
            source.wait()
    check(True, "a dragged picture and dragged text went into the note")
    print("journey passed")
finally:
    program.stop()

"""The skin chooser and the program's own messages: the list opens under its
combo box, the keyboard and the wheel pick a skin, and the white messages
read (WCAG 4.5:1, measured on the screen) on every shipped skin and on plain
white and black pictures. A start-up notice stays inside the window."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from journey import *  # noqa: E402,F403

MIN_CONTRAST = 4.5

program = Program()
skin_folder = os.path.join(program.work, "skin")
for plain in ("white", "black"):
    subprocess.run(["convert", "-size", "800x650", "xc:" + plain, os.path.join(skin_folder, plain + ".png")], check=True)
with open(os.path.join(skin_folder, "skin.cfg")) as f:
    skins = [entry for entry in f.read().strip().split("/") if entry]
skins += ["white.png", "black.png"]
with open(os.path.join(skin_folder, "skin.cfg"), "w") as f:
    f.write("/".join(skins))
# A store whose records were cut off: the program says so when it starts.
with open(os.path.join(program.work, "tab.dat"), "wb") as f:
    f.write(b"\x00\x00\x00\x05\x00\x00")


def readable(label_text, what):
    node = wait_for(lambda: [n for n in program.all(name=label_text, showing=True)
                             if n.getRole() == pyatspi.ROLE_LABEL and extents(n)[3] > 0], label_text)[0]
    # Measured where the slide ends.
    rect = wait_for(lambda: extents(node)[1] > 0 and extents(node) == (time.sleep(0.1) or extents(node)) and extents(node),
                    "the slide to end")
    shot = Shot()
    shot.save(what)
    main = extents(program.find(role=pyatspi.ROLE_DIALOG, name="Velmo Note"))
    inside = (rect[0] >= main[0] and rect[1] >= main[1] and rect[0] + rect[2] <= main[0] + main[2]
              and rect[1] + rect[3] <= main[1] + main[3])
    check(inside, "%s: %r at %s inside the window at %s" % (what, label_text, rect, main))
    ratio = text_contrast(shot, rect)
    check(ratio >= MIN_CONTRAST, "%s: %r contrast %.1f:1" % (what, label_text, ratio))
    return node


try:
    program.start()
    notice = readable("便签数据已损坏", "start-up notice")
    # A note to delete and bring back on every skin (the home tab cannot be deleted).
    open_name_bar(program, "添加便签")
    type_text("memo")
    key("Return")
    wait_for(lambda: "memo" in tab_names(program), "the note added")

    for index, skin in enumerate(skins):
        name = os.path.splitext(skin)[0]
        press(program, description="更换皮肤")
        chooser = placed(program, "更换皮肤")
        combo = wait_for(lambda: program.find(role=pyatspi.ROLE_COMBO_BOX, inside=chooser), "the skin list")
        if index == 0:
            # The list opens under its combo box, not in a corner of the screen.
            cx, cy, cw, ch = extents(combo)
            before = Shot()
            click(centre(combo))
            time.sleep(0.8)
            shot = Shot()
            shot.save("skin-list")

            def changed(x, y, w, h):
                points = [(x + w * i // 8, y + h * j // 8) for i in range(1, 8) for j in range(1, 8)]
                return sum(1 for p in points if shot.pixel(*p) != before.pixel(*p)) > len(points) // 2

            check(changed(cx, cy + ch + 2, cw, 40), "the list opens under its combo box")
            check(not changed(0, 0, cw, 100), "nothing opens in the screen's corner")
            key("Escape")
            wait_for(lambda: not combo[0].getState().contains(pyatspi.STATE_SHOWING), "the list to close")
            # The wheel over the combo box moves the choice.
            xdotool("mousemove", *centre(combo))
            xdotool("click", 5)
            wait_for(lambda: combo.name == os.path.splitext(skins[1])[0], "the wheel to pick the next skin")
            xdotool("click", 4)
            wait_for(lambda: combo.name == os.path.splitext(skins[0])[0], "the wheel to pick the skin back")
        key("Home", *["Down"] * index)
        wait_for(lambda: combo.name == name, "the keys to pick " + name)
        key("Return")
        wait_for(lambda: not program.find(role=pyatspi.ROLE_DIALOG, name="更换皮肤", showing=True), "the chooser to close")
        time.sleep(0.3)

        # The title on its strip and the formatting bar's letters, on this skin.
        shot = Shot()
        title = program.find(role=pyatspi.ROLE_PUSH_BUTTON, name="Velmo Note", showing=True)
        tx, ty, tw, th = extents(title)
        strip_bottom = extents(program.find(role=pyatspi.ROLE_DIALOG, name="Velmo Note"))[1] + 25
        ratio = text_contrast(shot, (tx, ty, tw, min(th, strip_bottom - ty - 1)), inset=2)
        check(ratio >= MIN_CONTRAST, "%s: the title's contrast %.1f:1" % (name, ratio))
        for tip in ("粗体", "斜体", "下划线"):
            button = [n for n in program.all(showing=True) if n.description.startswith(tip + " (")][0]
            ratio = glyph_contrast(shot, extents(button))
            check(ratio >= MIN_CONTRAST, "%s: %s's contrast %.1f:1" % (name, tip, ratio))

        # The delete question and the message after it, on this skin.
        press(program, role=pyatspi.ROLE_PAGE_TAB, name="memo")
        x, y, w, h = extents(program.find(role=pyatspi.ROLE_PAGE_TAB, name="memo"))
        time.sleep(0.6)  # not a double click with the click on the tab
        click((x + w - 24, y + h // 2))
        readable("删除便签“memo”？", name)
        key("Return")
        readable("已移入最近删除（Ctrl+Z 恢复）", name)
        key("ctrl+z")
        wait_for(lambda: "memo" in tab_names(program), "Ctrl+Z to bring the note back")
    print("journey passed")
finally:
    program.stop()

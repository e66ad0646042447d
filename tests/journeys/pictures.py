"""A picture pasted into a note stays: a PNG put on the clipboard by another
program (xclip), Ctrl+V into a new note, fix it, quit, start again. The note
shows the picture, and the file it refers to holds the original's pixels."""

import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import zlib

sys.path.insert(0, os.path.dirname(__file__))
from journey import *  # noqa: E402,F403

def rgb_of(path):
    """The rows of an 8-bit RGB or RGBA PNG as RGB bytes (alpha must be opaque)."""
    with open(path, "rb") as f:
        data = f.read()
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        fail("unexpected PNG kind %s" % (header,))
    size = 3 if colour == 2 else 4
    raw, stride = zlib.decompress(idat), width * size
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - size] if i >= size else 0
            b = previous[i]
            c = previous[i - size] if i >= size else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        previous = line
        if size == 4 and any(line[i] != 255 for i in range(3, stride, 4)):
            fail("the picture has transparent pixels")
        rows.append(bytes(v for i, v in enumerate(line) if size == 3 or i % 4 != 3))
    return (width, height, b"".join(rows))


def editor_with(program, words):
    return wait_for(lambda: [e for e in program.all(role=pyatspi.ROLE_TEXT, showing=True)
                             if words in text_of(e)], "the note with " + repr(words))[0]


def menu_command(description):
    press(program, role=pyatspi.ROLE_PUSH_BUTTON, name="Velmo Note")
    button = wait_for(lambda: program.find(description=description, showing=True), "the menu panel")
    time.sleep(0.6)
    click(centre(button))


program = Program()
original = os.path.join(tempfile.mkdtemp(prefix="velmo-picture-"), "original.png")
write_png(original, pattern_rgb())
clipboard = None
try:
    program.start()
    open_name_bar(program, "添加便签")
    type_text("pic")
    key("Return")
    wait_for(lambda: "pic" in tab_names(program), "the tab added")
    type_text("shot ")
    editor = editor_with(program, "shot")
    check(blocks_on_screen(extents(editor)) == [0, 0, 0, 0], "the note shows none of the picture's colours yet")

    # Another program owns the clipboard, as a screenshot tool would.
    clipboard = subprocess.Popen(["xclip", "-selection", "clipboard", "-t", "image/png", "-i", original, "-loops", "0",
                                  "-quiet"])
    time.sleep(0.5)
    key("ctrl+v")
    pictures = os.path.join(program.work, "pictures")
    stored = wait_for(lambda: os.path.isdir(pictures) and os.listdir(pictures), "the picture in the notebook folder")
    check(len(stored) == 1 and re.fullmatch(r"[0-9a-f]{64}\.png", stored[0]), "one picture, named by its content")
    counts = wait_for(lambda: all(c > 300 for c in blocks_on_screen(extents(editor)))
                      and blocks_on_screen(extents(editor)), "the pasted picture on the screen")
    check(all(c > 300 for c in counts), "the note shows the picture: %s" % counts)

    menu_command("常驻标签")
    time.sleep(0.5)
    menu_command("退出")
    check(program.wait_ended() == 0, "the program quit")
    with open(os.path.join(program.work, "tab.dat"), "rb") as f:
        store = f.read()
    # Its texts are QDataStream strings: UTF-16, big-endian.
    check(("pictures/" + stored[0]).encode("utf-16-be") in store, "tab.dat refers to the picture by its relative path")
    check("base64".encode("utf-16-be") not in store and len(store) < 20000, "tab.dat holds no picture data")
    picture_file = os.path.join(pictures, stored[0])
    check(rgb_of(picture_file) == rgb_of(original), "the stored picture has the original's pixels")

    program.start()
    click(centre(program.find(role=pyatspi.ROLE_PAGE_TAB, name="pic")))
    editor = editor_with(program, "shot")
    counts = wait_for(lambda: all(c > 300 for c in blocks_on_screen(extents(editor)))
                      and blocks_on_screen(extents(editor)), "the picture after a restart")
    check(all(c > 300 for c in counts), "the note shows the picture after a restart: %s" % counts)
    check(os.listdir(pictures) == stored, "no other picture was written")
    print("journey passed")
finally:
    program.stop()
    if clipboard:
        clipboard.kill()
        clipboard.wait()

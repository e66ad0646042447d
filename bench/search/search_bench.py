#!/usr/bin/env python3
"""Search over all notes, timed from outside: 1,000 notes of about 10 KB of
plain text each (mixed Chinese and English, in tab.dat as fixed tabs), the
search opened with Ctrl+Shift+F, then 50 keys typed into its field. Each key
is timed by bench_keypaint from the key press (XTest, as xdotool sends it)
to the result list changed on the screen. Beside it, the floor: `grep -ril`
over the same plain texts written as one file per note, for the word after
each key.

    scripts/test-session.sh python3 bench/search/search_bench.py BUILD_DIR [ROUNDS]
"""

import os
import random
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/dev")
ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 3
BINARY = os.path.join(BUILD, "app", "velmonote")
KEYPAINT = os.path.join(BUILD, "bench", "search", "bench_keypaint")
DATA = os.path.join(BUILD, "defaultdata")
NOTES = 1000
NOTE_BYTES = 10 * 1024

ENGLISH = ("meeting reminder project budget schedule milk bread review draft call email plan "
           "invoice travel ticket doctor garden report weekly monthly summary idea list").split()
CHINESE = "会议 提醒 项目 预算 日程 牛奶 面包 审核 草稿 电话 邮件 计划 发票 旅行 医生 花园 报告 总结 想法".split()
RARE = "zebracrossing"
# 50 keys: a common word, a rare one, a Chinese one, each typed and taken back.
KEYS = (list("reminder") + ["BackSpace"] * 8 + list(RARE) + ["BackSpace"] * len(RARE)
        + list("会议记录") + ["BackSpace"] * 4)


def qstring(text):
    data = text.encode("utf-16-be")
    return struct.pack(">I", len(data)) + data


def note_paragraphs(i, rng):
    paragraphs, size = [], 0
    while size < NOTE_BYTES:
        words = [rng.choice(ENGLISH) if rng.random() < 0.6 else rng.choice(CHINESE) for _ in range(rng.randint(8, 20))]
        line = " ".join(words) + "."
        paragraphs.append(line)
        size += len(line.encode("utf-8")) + 1
    if i % 100 == 37:
        paragraphs[len(paragraphs) // 2] += " " + RARE + "会议记录"
    return paragraphs


def write_notebook(folder, plain_folder):
    rng = random.Random(7)
    records = b""
    for i in range(NOTES):
        paragraphs = note_paragraphs(i, rng)
        with open(os.path.join(plain_folder, "note%04d.txt" % i), "w", encoding="utf-8") as f:
            f.write("\n".join(paragraphs))
        html = "<html><body>" + "".join(
            "<p>%s</p>" % (p.replace("reminder", "<b>reminder</b>", 1)) for p in paragraphs) + "</body></html>"
        records += qstring("note %d" % i) + b"\x00" + qstring(html) + b"\x00"
    with open(os.path.join(folder, "tab.dat"), "wb") as f:
        f.write(struct.pack(">i", NOTES + 1) + records + qstring(""))


def xdotool(*args):
    return subprocess.run(["xdotool", *[str(a) for a in args]], check=True, stdout=subprocess.PIPE,
                          text=True).stdout


def visible_window(title):
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title],
                           stdout=subprocess.PIPE, text=True).stdout.split()
    return found[-1] if found else None


def active_window_other_than(window):
    active = subprocess.run(["xdotool", "getactivewindow"], stdout=subprocess.PIPE, text=True).stdout.strip()
    return active if active and active != window else None


def geometry(window):
    values = dict(line.split("=") for line in xdotool("getwindowgeometry", "--shell", window).split())
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def wait(probe, what, timeout=120):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = probe()
        if value:
            return value
        time.sleep(0.05)
    subprocess.run(["import", "-window", "root", "/tmp/searchbench-failure.png"])
    sys.exit("timed out waiting for " + what)


def words_after_keys():
    word, words = "", []
    for key in KEYS:
        word = word[:-1] if key == "BackSpace" else word + key
        words.append(word)
    return words


def grep_floor(plain_folder):
    times = []
    for word in words_after_keys():
        if not word:
            continue  # an empty field searches nothing
        started = time.perf_counter()
        subprocess.run(["grep", "-ril", "--", word, plain_folder], stdout=subprocess.DEVNULL)
        times.append((time.perf_counter() - started) * 1000)
    return times


def one_round(work):
    env = dict(os.environ, LANG="zh_CN.UTF-8", XDG_CONFIG_HOME=os.path.join(work, ".config"),
               XDG_DATA_HOME=os.path.join(work, ".data"))
    env.pop("LC_ALL", None)
    env.pop("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", None)
    program = subprocess.Popen([BINARY], cwd=work, env=env)
    try:
        main = wait(lambda: visible_window("Velmo Note"), "the main window")
        time.sleep(1.5)
        x, y, w, h = geometry(main)
        # The keys go to the main window: a click on its title strip.
        xdotool("mousemove", x + 60, y + 12)
        xdotool("click", 1)
        time.sleep(0.5)
        started = time.perf_counter()
        xdotool("key", "--clearmodifiers", "ctrl+shift+f")
        # The panel takes the keys: it is the active window once shown.
        panel = wait(lambda: active_window_other_than(main), "the search panel", timeout=60)
        opened = (time.perf_counter() - started) * 1000
        time.sleep(1.0)
        px, py, pw, ph = geometry(panel)
        # The results and the line under them: below the field.
        out = subprocess.run([KEYPAINT, str(px + 6), str(py + 40), str(pw - 12), str(ph - 46), *KEYS],
                             check=True, stdout=subprocess.PIPE, text=True).stdout
        times = [float(line.rsplit(" ", 1)[1]) for line in out.splitlines()]
        return opened, times
    finally:
        program.kill()
        program.wait()


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100.0 * (len(ordered) - 1))))]


def main():
    work = tempfile.mkdtemp(prefix="velmo-searchbench-")
    plain = tempfile.mkdtemp(prefix="velmo-searchbench-plain-")
    try:
        shutil.copytree(DATA, work, dirs_exist_ok=True)
        write_notebook(work, plain)
        keys, opens = [], []
        for _ in range(ROUNDS):
            opened, times = one_round(work)
            opens.append(opened)
            missed = [KEYS[i] for i, t in enumerate(times) if t < 0]
            if missed:
                print("no change seen for keys: %s" % missed)
            keys += [t for t in times if t >= 0]
            if os.environ.get("SEARCH_BENCH_VERBOSE"):
                print(" ".join("%s:%.0f" % (k, t) for k, t in zip(KEYS, times)))
        floor = []
        for _ in range(ROUNDS):
            floor += grep_floor(plain)
        print("notes: %d of ~%d KB plain text; %d keys x %d rounds" % (NOTES, NOTE_BYTES // 1024, len(KEYS), ROUNDS))
        print("key -> result list painted: median %.1f ms, p95 %.1f ms, max %.1f ms"
              % (statistics.median(keys), percentile(keys, 95), max(keys)))
        print("grep -ril, same words:      median %.1f ms, p95 %.1f ms"
              % (statistics.median(floor), percentile(floor, 95)))
        print("Ctrl+Shift+F -> panel shown (texts read): median %.0f ms" % statistics.median(opens))
    finally:
        shutil.rmtree(work, ignore_errors=True)
        shutil.rmtree(plain, ignore_errors=True)


if __name__ == "__main__":
    main()

"""Killing either program (SIGKILL) at random moments while notes are being
synced loses nothing: every word typed and written on either side (the
other side going on while one is down, at times) is, after the killed
program started again and the folders are in step, in both notebooks and
shown by both programs. VELMO_SYNC_SEED repeats a run."""

import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from two_notebooks import *  # noqa: E402,F403

WORDS = r"\b(?:start|[wdrs]\d\d[ab])\b"
ROUNDS = int(os.environ.get("VELMO_SYNC_ROUNDS", "8"))


def kills_during_sync_lose_nothing(books):
    sides = (books.a, books.b)
    add_note(books.a.program, "log", "start")
    wait_saved(books.a, ["start"])
    wait_for(lambda: "log" in tab_names(books.b.program), "the note log to reach B", 15)
    typed = ["start"]
    for round_ in range(ROUNDS):
        writer = random.choice(sides)
        victim = random.choice(sides)
        word = "w%02d%s" % (round_, writer.name.lower())
        type_into(writer.program, "log", " " + word)
        wait_saved(writer, [word])
        typed.append(word)
        # Syncthing sees the file about a second later, the other side reads
        # it about a second after that: kill somewhere in between.
        delay = random.uniform(0.0, 3.0)
        time.sleep(delay)
        print("round %d: %s typed %s, %s killed %.2f s after the save" % (round_, writer.name, word, victim.name,
                                                                          delay), flush=True)
        victim.kill()
        for side in sides:
            show_files(side, WORDS)
        # The other computer goes on while this one is down.
        survivor = books.b if victim is books.a else books.a
        if random.random() < 0.5:
            word = "d%02d%s" % (round_, survivor.name.lower())
            type_into(survivor.program, "log", " " + word)
            wait_saved(survivor, [word])
            typed.append(word)
            print("round %d: %s typed %s while %s was down" % (round_, survivor.name, word, victim.name), flush=True)
        time.sleep(random.uniform(0.0, 1.0))
        victim.start()
        for side in sides:
            show_files(side, WORDS)
    books.pair.wait_in_step(timeout=45)
    for side in sides:
        show_files(side, WORDS)
    for side in sides:
        missing = side.holds(typed)
        check(not missing, "every typed word is in %s's notebook (missing: %s)" % (side.name, missing))
    for side in sides:
        def shown():
            texts = "\n".join(t for _, t in note_texts(side.program).values())
            return [w for w in typed if w not in texts]
        missing = shown()
        if missing:
            time.sleep(3)
            missing = shown()
        check(not missing, "every typed word is shown in %s's notebook (missing: %s)" % (side.name, missing))


def restart_as_a_change_arrives(books):
    """B starts again just as A's change reaches B's folder (Syncthing takes
    a steady second for it): at several moments around that, then B is
    edited. A's change is never written over."""
    a, b = books.a, books.b
    typed = []
    for attempt, offset in enumerate((0.3, 0.45, 0.6, 0.75, 0.9, 1.05)):
        b.kill()
        word = "r%02da" % attempt
        type_into(a.program, "log", " " + word)
        wait_saved(a, [word])
        saved = time.monotonic()
        typed.append(word)
        time.sleep(max(0.0, saved + offset - time.monotonic()))
        b.start()
        print("attempt %d: B started %.2f s after A saved %s" % (attempt, offset, word), flush=True)
        mine = "s%02db" % attempt
        type_into(b.program, "log", " " + mine)
        wait_saved(b, [mine])
        typed.append(mine)
        for side in (a, b):
            show_files(side, WORDS)
    books.pair.wait_in_step(timeout=45)
    for side in (a, b):
        missing = side.holds(typed)
        check(not missing, "every typed word is in %s's notebook (missing: %s)" % (side.name, missing))


if __name__ == "__main__":
    run_cases(kills_during_sync_lose_nothing, restart_as_a_change_arrives)

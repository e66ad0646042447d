#!/usr/bin/env bash
# The Debian package as a user meets it. Run inside the test session
# (scripts/test-session.sh) as root:
#   scripts/package-test.sh velmonote_VERSION_ARCH.deb
# Installs the package with apt (after removing one an earlier run may have
# left), checks it with lintian, desktop-file-validate and appstreamcli, then
# starts the installed program from its menu entry's Exec line in a fresh
# HOME: the main window shows, the notebook folder is laid out under
# ~/.local/share/velmonote, a fixed tab made with the pointer and keys is
# saved there and comes back after a restart, a second start hands over to
# the running one. Finally the package is removed and must leave nothing of
# its own behind, while the user's notes stay. Prints "N passed, N failed".
set -uo pipefail
deb=$(realpath "$1")
passed=0 failed=0
check() { # description, command...
    local what=$1; shift
    if "$@"; then passed=$((passed + 1)); echo "ok: $what"
    else failed=$((failed + 1)); echo "FAILED: $what" >&2; fi
}
apt_get() { apt-get -o DPkg::Lock::Timeout=600 -y -q "$@"; }
installed() { dpkg-query -W -f='${Status}' velmonote 2>/dev/null | grep -q "install ok installed"; }
pids=()
home=$(mktemp -d /tmp/velmo-home.XXXXXX)
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
    installed && apt_get remove --purge velmonote >/dev/null
    rm -rf "$home"
}
trap cleanup EXIT

# A package left installed by an interrupted run goes first.
installed && apt_get remove --purge velmonote >/dev/null
export DEBIAN_FRONTEND=noninteractive
check "apt installs the package" apt_get install --no-install-recommends "$deb" >"$home/apt.log" 2>&1 \
    || cat "$home/apt.log"
installed || { echo "0 passed, 1 failed"; exit 1; }

desktop=/usr/share/applications/velmonote.desktop
check "desktop entry is valid" desktop-file-validate "$desktop"
check "AppStream metadata is valid" appstreamcli validate --no-net /usr/share/metainfo/org.example.velmonote.metainfo.xml
echo "lintian:"
check "lintian reports no errors" lintian --fail-on error "$deb"
echo "the package installs:"
dpkg -L velmonote | while read -r f; do [ -f "$f" ] && echo "  $f"; done

# The menu's command: the Exec line without its field codes.
exec_line=$(sed -n 's/^Exec=//p' "$desktop" | head -n1 | sed 's/ *%[fFuUdDnNickvm]//g')
notebook=$home/.local/share/velmonote
start() { # from the home folder, with nothing but a fresh HOME; $! is the program itself
    env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" sh -c "cd \"\$HOME\" && exec $exec_line" \
        >>"$home/velmonote.log" 2>&1 &
    pids+=($!)
}
main_window() { # the visible window named like the main window and as wide
    for id in $(xdotool search --onlyvisible --name '^Velmo Note$' 2>/dev/null); do
        [ "$(xwininfo -id "$id" | awk '/Width:/{print $2}')" -ge 400 ] && { echo "$id"; return 0; }
    done
    return 1
}
wait_window() { for _ in $(seq 1 150); do main_window >/dev/null && return 0; sleep 0.1; done; return 1; }
click() { # x y relative to the main window
    local geom x y
    geom=$(xwininfo -id "$(main_window)")
    x=$(awk '/Absolute upper-left X/{print $4}' <<<"$geom")
    y=$(awk '/Absolute upper-left Y/{print $4}' <<<"$geom")
    xdotool mousemove $((x + $1)) $((y + $2)) click 1
}
ended() { # pid: true with its exit status once it has ended; false after 10 s
    for _ in $(seq 1 100); do
        kill -0 "$1" 2>/dev/null || { wait "$1"; return $?; }
        sleep 0.1
    done
    return 1
}
stop_program() { # the session-end signal: the program saves and ends
    kill -TERM "${pids[-1]}" 2>/dev/null
    ended "${pids[-1]}"
}
holds_tab() { [ -f "$notebook/tab.dat" ] && tr -d '\0' <"$notebook/tab.dat" | grep -aq "Groceries"; }

start
check "main window shown from the menu entry" wait_window
check "notebook folder laid out" test -f "$notebook/index.dat" -a -f "$notebook/index.en.dat" \
    -a -f "$notebook/skin/skin.cfg" -a -f "$notebook/skin/sakura.jpg" -a -f "$notebook/ring/ring01.mp3"
check "home page copied from the installed defaults" cmp -s "$notebook/index.dat" /usr/share/velmonote/index.dat

# A new tab, named and fixed through the window as a user does it (positions
# in the 400x350 window): a click into the note, Ctrl+N, the name, Enter
# (a new note is fixed as it is made), then the title menu's fix entry.
sleep 1
click 200 200; sleep 0.3
xdotool key ctrl+n; sleep 0.8
xdotool type --delay 20 "Groceries"; sleep 0.2
xdotool key Return; sleep 0.8
click 200 13; sleep 1
click 167 93; sleep 0.8
check "program ends when told to" stop_program
check "fixed tab saved in the notebook folder" holds_tab

# After a restart the tab is read back and saved again with the notebook.
touch -d '2001-01-01' "$notebook/tab.dat"
start
check "main window shown after a restart" wait_window
start
check "a second start hands over and ends" ended "${pids[-1]}"
sleep 0.5
check "still one main window" test "$(for id in $(xdotool search --onlyvisible --name '^Velmo Note$'); do xwininfo -id "$id" | awk '/Width:/{ if ($2 >= 400) print }'; done | wc -l)" -eq 1
unset 'pids[-1]'
check "program ends when told to" stop_program
check "fixed tab survives the restart" holds_tab
check "notebook saved again by the restarted program" test "$(stat -c %Y "$notebook/tab.dat")" -gt 978307200

check "apt removes the package" apt_get remove --purge velmonote >"$home/apt.log" 2>&1 || cat "$home/apt.log"
check "nothing of the package left" test ! -e /usr/bin/velmonote -a ! -e /usr/share/velmonote \
    -a ! -e /usr/share/applications/velmonote.desktop -a ! -e /usr/lib/x86_64-linux-gnu/velmonote
check "the user's notes stay" holds_tab
[ "$failed" -eq 0 ] || { echo "program output:"; cat "$home/velmonote.log"; }
echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

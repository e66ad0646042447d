#!/usr/bin/env bash
# Saves a screenshot of the main window, with the compositor running, to a PNG.
#   scripts/screenshot.sh [OUT.png] [BUILD_DIR]
# Runs inside its own headless session (scripts/test-session.sh) with a fresh
# working directory holding the default data. Also saves OUT-desktop.png, the
# whole screen, for context.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-velmonote-main.png}")
build=$(realpath "${2:-build/ci}")

if [ -z "${VELMO_IN_SESSION:-}" ]; then
    VELMO_IN_SESSION=1 exec scripts/test-session.sh "$0" "$out" "$build"
fi

work=$(mktemp -d)
pid=""
# The program saves its notebook when told to end: wait for it before cleaning up.
trap '[ -n "$pid" ] && kill $pid 2>/dev/null && wait $pid 2>/dev/null; rm -rf "$work"' EXIT
cp -r "$build/defaultdata/." "$work/"
cp "$build/app/velmonote" "$build/app/libvelmonote_app.so" "$work/"
cd "$work"
read -ra args <<<"${VELMO_ARGS:-}"
./velmonote "${args[@]}" >"$work/log.txt" 2>&1 &
pid=$!
wid=""
for _ in $(seq 1 100); do
    # The tray icon's window has the same name: take the one as wide as the main window.
    for candidate in $(xdotool search --onlyvisible --name '^Velmo Note$' 2>/dev/null); do
        width=$(xwininfo -id "$candidate" | awk '/Width:/{print $2}')
        if [ "${width:-0}" -ge 400 ]; then wid=$candidate; break; fi
    done
    [ -n "$wid" ] && break
    sleep 0.1
done
[ -n "$wid" ] || { echo "screenshot: main window did not appear" >&2; cat "$work/log.txt" >&2; exit 1; }
sleep "${VELMO_SETTLE:-1.5}"
if [ -n "${VELMO_BEFORE_SHOT:-}" ]; then eval "$VELMO_BEFORE_SHOT"; fi
geom=$(xwininfo -id "$wid")
x=$(awk '/Absolute upper-left X/{print $4}' <<<"$geom")
y=$(awk '/Absolute upper-left Y/{print $4}' <<<"$geom")
w=$(awk '/Width:/{print $2}' <<<"$geom")
h=$(awk '/Height:/{print $2}' <<<"$geom")
import -window root "${out%.png}-desktop.png"
# A margin around the window shows that its corners are see-through.
convert "${out%.png}-desktop.png" -crop "$((w+40))x$((h+40))+$((x-20))+$((y-20))" +repage "$out"
echo "saved $out (window ${w}x${h} at $x,$y)"

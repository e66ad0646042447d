#!/usr/bin/env bash
# Runs a command inside a private headless desktop session: Xvfb, the openbox
# window manager, the xcompmgr compositor, the trayer tray host and a
# PulseAudio server with a null sink "ci_sink". Every process started here is
# ended by PID when the command finishes, whatever its outcome.
#   scripts/test-session.sh COMMAND [ARGS...]
# VELMO_SCREEN (default 1920x1080x24) sets the screen size.
set -uo pipefail

pids=()
runtime_dir=$(mktemp -d /tmp/velmo-session.XXXXXX)
chmod 700 "$runtime_dir"
cleanup() {
    for ((i=${#pids[@]}-1; i>=0; i--)); do
        kill "${pids[$i]}" 2>/dev/null
    done
    for pid in "${pids[@]}"; do
        for _ in $(seq 1 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null
    done
    rm -rf "$runtime_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

export XDG_RUNTIME_DIR="$runtime_dir"

# A display number nobody uses. Another session may pick the same number at
# the same moment: then Xvfb cannot start there, and the next one is tried.
display=""
for n in $(seq 91 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "${VELMO_SCREEN:-1920x1080x24}" -nolisten tcp >"$runtime_dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$xvfb_pid" 2>/dev/null && DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
        display=":$n"
        pids+=("$xvfb_pid")
        break
    fi
    kill "$xvfb_pid" 2>/dev/null
done
[ -n "$display" ] || { echo "test-session: Xvfb did not start" >&2; cat "$runtime_dir/xvfb.log" >&2; exit 1; }
export DISPLAY="$display"

openbox >"$runtime_dir/openbox.log" 2>&1 &
pids+=($!)
xcompmgr >"$runtime_dir/xcompmgr.log" 2>&1 &
pids+=($!)
trayer --edge top --align right --widthtype pixel --width 100 --heighttype pixel --height 32 \
    >"$runtime_dir/trayer.log" 2>&1 &
pids+=($!)

pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --load="module-native-protocol-unix socket=$runtime_dir/pulse.sock auth-anonymous=1" \
    --load="module-null-sink sink_name=ci_sink norewinds=1" >"$runtime_dir/pulse.log" 2>&1 &
pids+=($!)
export PULSE_SERVER="unix:$runtime_dir/pulse.sock"
for _ in $(seq 1 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || echo "test-session: warning: PulseAudio did not answer" >&2
pactl set-default-sink ci_sink >/dev/null 2>&1 || true

# Give the window manager and the tray host a moment to own their selections.
for _ in $(seq 1 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1
done
sleep 0.5

"$@"

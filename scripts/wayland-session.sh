#!/usr/bin/env bash
# Runs a command inside a private headless Wayland desktop: the sway
# compositor (headless backend, pixman renderer) with XWayland, a private
# D-Bus session bus, PipeWire, and the desktop portals (wlr for screenshots,
# gtk for the rest). Every process started here carries a marker in its
# environment and is ended when the command finishes, whatever its outcome.
#   scripts/wayland-session.sh COMMAND [ARGS...]
# VELMO_WL_SIZE (default 1920x1080) sets the output's size, VELMO_WL_TRAY=1
# adds a bar with a StatusNotifierItem tray host.
# The command sees WAYLAND_DISPLAY, DISPLAY (XWayland), SWAYSOCK,
# DBUS_SESSION_BUS_ADDRESS and XDG_RUNTIME_DIR, and VELMO_WL_USER_RUNTIME:
# the runtime folder of the user sway runs as (sway refuses root, so it and
# the programs its key bindings start run as nobody).
set -uo pipefail

marker="velmo_wl_$$_$RANDOM"
export VELMO_WL_MARKER="$marker"

runtime_dir=$(mktemp -d /tmp/velmo-wl.XXXXXX)        # the session user's (root)
sway_runtime=$(mktemp -d /tmp/velmo-wl-sway.XXXXXX)  # sway's own (nobody)
bus_dir=$(mktemp -d /tmp/velmo-wl-bus.XXXXXX)        # reachable by both users
chmod 700 "$runtime_dir"
chown nobody:nogroup "$sway_runtime"
chmod 700 "$sway_runtime"
chmod 755 "$bus_dir"
export XDG_RUNTIME_DIR="$runtime_dir"

marked_pids() {
    local p
    for p in /proc/[0-9]*; do
        [ "${p#/proc/}" = "$$" ] && continue
        grep -qs -z "^VELMO_WL_MARKER=$marker\$" "$p/environ" && echo "${p#/proc/}"
    done
}

cleanup() {
    # Children of sway's exec lines start their own sessions and XWayland is
    # restarted by wlroots if it dies first: repeat until nothing is left.
    for round in 1 2 3 4 5 6 7 8 9 10; do
        local pids
        mapfile -t pids < <(marked_pids)
        [ ${#pids[@]} -eq 0 ] && break
        if [ "$round" -lt 4 ]; then kill "${pids[@]}" 2>/dev/null; else kill -9 "${pids[@]}" 2>/dev/null; fi
        sleep 0.3
    done
    for mount in "$runtime_dir/doc" "$sway_runtime/doc"; do
        mountpoint -q "$mount" 2>/dev/null && { fusermount3 -u "$mount" 2>/dev/null || umount -l "$mount" 2>/dev/null; }
    done
    rm -rf "$runtime_dir" "$sway_runtime" "$bus_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# wlroots creates the X socket folder for XWayland; made here first, or it
# would belong to nobody.
mkdir -p /tmp/.X11-unix
chmod 1777 /tmp/.X11-unix

# A session bus that any local user may join (sway's children run as nobody).
cat >"$bus_dir/session.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$bus_dir/bus</listen>
  <auth>EXTERNAL</auth>
  <standard_session_servicedirs/>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
# xdg-desktop-portal 1.16 reads no portals.conf: it uses every backend in
# this folder that names the current desktop.
mkdir -p "$bus_dir/portals"
ln -s /usr/share/xdg-desktop-portal/portals/wlr.portal "$bus_dir/portals/"
ln -s /usr/share/xdg-desktop-portal/portals/gtk.portal "$bus_dir/portals/"
export XDG_DESKTOP_PORTAL_DIR="$bus_dir/portals"
export XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland

dbus-daemon --config-file="$bus_dir/session.conf" --nofork --print-address=3 3>"$bus_dir/address" &
for _ in $(seq 1 50); do [ -s "$bus_dir/address" ] && break; sleep 0.1; done
[ -s "$bus_dir/address" ] || { echo "wayland-session: the session bus did not start" >&2; exit 1; }
export DBUS_SESSION_BUS_ADDRESS="unix:path=$bus_dir/bus"

size=${VELMO_WL_SIZE:-1920x1080}
cat >"$sway_runtime/config" <<EOF
output HEADLESS-1 resolution $size position 0 0
xwayland force
default_border none
focus_follows_mouse no
exec sh -c 'xhost +local: >/dev/null; echo "\$DISPLAY" > $sway_runtime/ready'
EOF
if [ "${VELMO_WL_TRAY:-0}" = 1 ]; then
    printf 'bar {\n  position top\n  tray_output *\n}\n' >>"$sway_runtime/config"
fi
chown nobody:nogroup "$sway_runtime/config"

setpriv --reuid=65534 --regid=65534 --clear-groups \
    env HOME="$sway_runtime" XDG_RUNTIME_DIR="$sway_runtime" \
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$sway_runtime/config" >"$bus_dir/sway.log" 2>&1 &
for _ in $(seq 1 100); do [ -s "$sway_runtime/ready" ] && break; sleep 0.1; done
if [ ! -s "$sway_runtime/ready" ]; then
    echo "wayland-session: sway did not start" >&2
    cat "$bus_dir/sway.log" >&2
    exit 1
fi
socket=""
for path in "$sway_runtime"/wayland-[0-9]; do
    [ -e "$path" ] && { socket=${path##*/}; break; }
done
ln -s "$sway_runtime/$socket" "$runtime_dir/$socket"
export WAYLAND_DISPLAY="$socket"
DISPLAY=$(cat "$sway_runtime/ready")
SWAYSOCK=""
for path in "$sway_runtime"/sway-ipc.*.sock; do
    [ -e "$path" ] && { SWAYSOCK=$path; break; }
done
export DISPLAY SWAYSOCK
export VELMO_WL_USER_RUNTIME="$sway_runtime"
# Root's X clients may use XWayland only once xhost has run.
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# The portals are started by the bus on first use, with this environment.
dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XDG_CURRENT_DESKTOP \
    XDG_RUNTIME_DIR XDG_DESKTOP_PORTAL_DIR VELMO_WL_MARKER 2>/dev/null

# The wlr screenshot backend exits without PipeWire.
pipewire >"$bus_dir/pipewire.log" 2>&1 &
for _ in $(seq 1 50); do [ -e "$runtime_dir/pipewire-0" ] && break; sleep 0.1; done

"$@"

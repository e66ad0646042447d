#!/usr/bin/env bash
# Runs one journey with its own session bus and accessibility bus.
#   run_journey.sh JOURNEY.py
set -euo pipefail
# The inner shell expands the script's variables, not this one.
# shellcheck disable=SC2016
exec dbus-run-session -- bash -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately & launcher=$!
    trap "kill $launcher 2>/dev/null" EXIT
    sleep 0.5
    /usr/bin/python3 "$0"' "$1"

#!/usr/bin/env bash
# Runs a widget test as a screen reader would meet the program: on a virtual X display, with a
# session bus and the AT-SPI accessibility bus, and Qt's bridge to it switched on (as it is when
# a screen reader runs), so that the accessibility events Qt sends can be seen.
#   with_accessibility_bus.sh TEST [ARGUMENTS...]
set -euo pipefail
for tool in dbus-run-session dbus-send xvfb-run; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh)"; exit 1; }
done
runtime=$(mktemp -d /tmp/qdu-a11y.XXXXXX)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# dbus-daemon's note that it may not raise its file limit in a container is not the test's.
# The accessibility bus starts as a desktop session starts it, before the program asks for it.
dbus-run-session -- sh -c 'dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
        org.a11y.Bus.GetAddress >/dev/null && exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"' \
    sh "$@" 2>&1 |
    { grep -v "Failed to set fd limit" || true; }

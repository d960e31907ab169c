#!/usr/bin/env bash
# Installs what is missing, builds, and starts the utility's window on the built-in simulated
# drives. Without a display it shows the simulated drives with qdu instead.
# Arguments go to the window, for example: scripts/run.sh --simulate=single
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    if [ $# -eq 0 ]; then
        set -- --simulate
    fi
    exec build/release/src/quorvel-drive-utility "$@"
fi
echo "No display to open the window on; the simulated drives as qdu sees them:" >&2
exec build/release/src/qdu --simulate list

#!/usr/bin/env bash
# Installs what is missing, builds, and runs the utility on the built-in simulated drives.
# Arguments replace the default command, for example: scripts/run.sh --trace list
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [ $# -eq 0 ]; then
    set -- list
fi
exec build/release/src/qdu --simulate "$@"

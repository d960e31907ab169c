#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=default
scripts/install-deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset"

# The optimised build that scripts/run.sh makes must compile cleanly too (the optimiser
# warns about things the debug build does not see).
cmake --preset release >/dev/null
cmake --build --preset release

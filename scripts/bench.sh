#!/usr/bin/env bash
# Builds the optimised program and runs every benchmark; arguments go to Google Benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target qdu_benchmarks
exec build/release/bench/qdu_benchmarks "$@"

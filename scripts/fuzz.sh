#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each on its checked-in corpus.
#   scripts/fuzz.sh [SECONDS]   explore for SECONDS per target (default 300)
#   scripts/fuzz.sh --check     replay the corpus and a fixed, seeded number of new inputs:
#                               the same every time, as the test suite needs
# New inputs go to a scratch folder; merge them into fuzz/corpus with -merge=1 when they add
# coverage worth keeping.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--check" ]; then
    limits=(-seed=1 -runs=300000)
else
    limits=(-max_total_time="${1:-300}")
fi
scripts/install-deps.sh --fuzz
cmake --preset fuzz >/dev/null
cmake --build build/fuzz --target fuzz_replies fuzz_worker fuzz_state_file fuzz_scenario \
    fuzz_profile fuzz_history
root=$PWD
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in replies worker state_file scenario profile history; do
    mkdir -p "$scratch/$target"
    run_limits=("${limits[@]}")
    # The state file's target writes, syncs and renames a file per input: fewer, in the check.
    if [ "${1:-}" = "--check" ] && { [ "$target" = state_file ] || [ "$target" = history ]; }; then
        run_limits=(-seed=1 -runs=10000)
    fi
    echo "fuzz_$target: ${run_limits[*]}"
    (cd "$scratch" && "$root/build/fuzz/fuzz/fuzz_$target" "${run_limits[@]}" -timeout=10 \
        -print_final_stats=1 "$scratch/$target" "$root/fuzz/corpus/$target")
done

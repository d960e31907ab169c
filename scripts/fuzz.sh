#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 300) on its
# checked-in corpus. New inputs go to a scratch folder; merge them into fuzz/corpus with
# -merge=1 when they add coverage worth keeping.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"
scripts/install-deps.sh --fuzz
cmake --preset fuzz >/dev/null
cmake --build build/fuzz --target fuzz_replies fuzz_worker
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for target in replies worker; do
    mkdir -p "$scratch/$target"
    echo "fuzz_$target: $seconds s"
    (cd "$scratch" && "$OLDPWD/build/fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" \
        -timeout=10 -print_final_stats=1 "$scratch/$target" "$OLDPWD/fuzz/corpus/$target")
done

#!/usr/bin/env bash
# The core and qdu built for 64-bit Windows with MinGW-w64, their tests run under Wine, and the
# same commands through qdu.exe and the Linux qdu compared: the same trace and the same
# results, byte for byte apart from line endings.
set -euo pipefail
cd "$(dirname "$0")/../.."

scripts/install-deps.sh --windows
cmake --preset windows >/dev/null
cmake --build --preset windows

# A prefix of its own, booted once before the tests: Wine's background programs would
# otherwise hold ctest's pipes open.
export WINEDEBUG=-all
# No .NET or HTML engine: the programs need neither, and a new prefix would offer to fetch them.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d"
export WINEPREFIX="${WINEPREFIX:-$PWD/build/windows/wine-prefix}"
mkdir -p "$WINEPREFIX"
wineserver -p
timeout 300 wineboot --init
trap 'wineserver -k || true' EXIT

ctest --preset windows

# The Linux qdu, for the comparison.
cmake --build --preset default --target qdu >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"; wineserver -k || true' EXIT
passed=0
failed=0
while IFS= read -r command; do
    read -ra args <<<"$command"
    status=0
    build/default/src/qdu --simulate=disc-gallery --sim-state "$work/linux.json" --trace \
        "${args[@]}" >"$work/linux.out" 2>&1 || status=$?
    echo "exit $status" >>"$work/linux.out"
    status=0
    wine build/windows/src/qdu.exe --simulate=disc-gallery --sim-state "$work/windows.json" \
        --trace "${args[@]}" >"$work/windows.raw" 2>&1 || status=$?
    tr -d '\r' <"$work/windows.raw" >"$work/windows.out"
    echo "exit $status" >>"$work/windows.out"
    if diff -u "$work/linux.out" "$work/windows.out" >"$work/diff"; then
        echo "  ok    same trace: qdu $command"
        passed=$((passed + 1))
    else
        echo "  FAIL  same trace: qdu $command"
        head -40 "$work/diff"
        failed=$((failed + 1))
    fi
done <<'COMMANDS'
list
settings
set led-off on --save --yes
set bd-write-mode over-speed-protection --yes
restore-defaults --yes
power-cycle
status
-d E status --json
check --quick --yes --json
set volume 11
COMMANDS
echo "same trace on Windows and Linux: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

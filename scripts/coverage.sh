#!/usr/bin/env bash
# Line and branch coverage of src/ by the whole suite (gcovr); the HTML report lands in
# build/coverage/coverage.html.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --coverage
cmake --preset coverage >/dev/null
cmake --build --preset coverage
find build/coverage -name '*.gcda' -delete
QT_QPA_PLATFORM=offscreen ctest --preset coverage >/dev/null
gcovr --root . --filter 'src/' --exclude-throw-branches --exclude-unreachable-branches \
    --object-directory build/coverage --html-details build/coverage/coverage.html \
    --print-summary

#!/usr/bin/env bash
# clang-tidy over every source of src/ with the checked-in .clang-tidy, then cppcheck.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --analysis
cmake --preset default >/dev/null
cmake --build --preset default >/dev/null  # generated Qt sources must exist
files=$(git ls-files 'src/*.cpp')
run-clang-tidy -quiet -p build/default $files
cppcheck --quiet --error-exitcode=1 --std=c++20 --enable=warning,performance,portability \
    --inline-suppr -I src --suppress=missingIncludeSystem $files

#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite.
#   scripts/test.sh              the suite, the optimised build of the program, the
#                                virtual-machine tests of the Linux pass-through (tests/vm), and
#                                the Windows build's tests under Wine (tests/windows)
#   scripts/test.sh --sanitize   also the suite under AddressSanitizer and
#                                UndefinedBehaviorSanitizer, the threaded tests under
#                                ThreadSanitizer, and a short run of every fuzz target
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=false
case "${1:-}" in
    "") ;;
    --sanitize) sanitize=true ;;
    *) echo "usage: scripts/test.sh [--sanitize]" >&2; exit 2 ;;
esac

if $sanitize; then
    scripts/install-deps.sh --package --fuzz
else
    scripts/install-deps.sh --package
fi
cmake --preset default
cmake --build --preset default
ctest --preset default

# The optimised build that scripts/run.sh makes must compile cleanly too (the optimiser
# warns about things the debug build does not see).
cmake --preset release >/dev/null
cmake --build --preset release

# The Debian package of that build, installed with apt into a pristine Debian 12 and run there.
# When no such root can be made here the test says SKIPPED; it never counts as passed.
rm -f build/release/quorvel-drive-utility_*.deb
(cd build/release && cpack -G DEB >/dev/null)
version=$(sed -n 's/^project(.* VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
package_status=0
tests/linux/package_test.sh build/release/quorvel-drive-utility_"$version"_*.deb "$version" ||
    package_status=$?
case $package_status in
    0) ;;
    77) echo "scripts/test.sh: the package test was SKIPPED (reason above)" ;;
    *) exit "$package_status" ;;
esac

# Our pass-through against the Linux kernel's sr and sg drivers and QEMU's CD drive. When the
# kernel package cannot be downloaded the run is skipped, and says so; it never counts as passed.
vm_status=0
tests/vm/run.sh || vm_status=$?
case $vm_status in
    0) ;;
    77) echo "scripts/test.sh: the virtual-machine tests were SKIPPED (reason above)" ;;
    *) exit "$vm_status" ;;
esac

# The core and qdu for Windows, built with MinGW-w64 and tested under Wine, and the same traces
# on both systems.
tests/windows/run.sh

if $sanitize; then
    export QT_QPA_PLATFORM=offscreen
    cmake --preset asan >/dev/null
    cmake --build --preset asan
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --preset asan

    # The tests that run threads: the check worker, its animation, the progress dialog,
    # the status watch and the CLI's check.
    cmake --preset tsan >/dev/null
    cmake --build --preset tsan --target qdu_core_tests qdu_cli_tests qdu_cd_check_gui_test
    # The longest history, so that the write side of a race inside Qt's queued calls has its
    # stack and the suppressions can see it is Qt's.
    TSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/tsan.supp halt_on_error=1 history_size=7" \
        ctest --preset tsan -R 'CheckWorker|QduCheck|Watch|Concurrent|cd_check_gui_test'

    # A short run of every fuzz target on its corpus (scripts/fuzz.sh runs them longer).
    scripts/fuzz.sh --check
fi

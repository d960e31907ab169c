#!/usr/bin/env bash
# Builds the Debian package of the optimised build and checks it with lintian:
#   scripts/package.sh      -> build/release/quorvel-drive-utility_VERSION_ARCH.deb
# Install it with: sudo apt install ./build/release/quorvel-drive-utility_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --package
cmake --preset release >/dev/null
cmake --build --preset release
rm -f build/release/quorvel-drive-utility_*.deb
(cd build/release && cpack -G DEB >/dev/null)
package=$(ls build/release/quorvel-drive-utility_*.deb)
echo "$package"
# lintian's findings are shown; they do not stop the package (see the README).
lintian --tag-display-limit 0 "$package" 2>/dev/null || true

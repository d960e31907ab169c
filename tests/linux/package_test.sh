#!/usr/bin/env bash
# The Debian package as a user meets it: a pristine Debian 12 with nothing but apt (made by
# mmdebstrap from Debian's archive), `apt install ./quorvel-drive-utility_*.deb`, then both
# programs run there as an ordinary user.
#   tests/linux/package_test.sh PACKAGE.deb VERSION
# Exit status: 0 passed, 1 failed, 77 SKIPPED (the reason is printed; never counts as passed).
set -euo pipefail
package=$(realpath "$1")
version=$2

skip() {
    echo "SKIPPED: the package in a pristine Debian 12: $*"
    exit 77
}
command -v mmdebstrap >/dev/null || skip "mmdebstrap is not installed (scripts/install-deps.sh --package)"
if [ "$(id -u)" -eq 0 ]; then
    mode=root
elif command -v newuidmap >/dev/null && grep -q "^$(id -un):" /etc/subuid 2>/dev/null &&
    unshare --user --map-root-user true 2>/dev/null; then
    mode=unshare
else
    skip "building a root needs root, or user namespaces with subordinate ids (uidmap and" \
        "/etc/subuid), and neither is available here"
fi

work=$(mktemp -d /tmp/qdu-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$package" "$work/"
deb=$(basename "$package")

# What runs inside, as nobody: the checks a user would make after installing.
cat >"$work/inside.sh" <<EOF
#!/bin/sh
set -u
failed=0
fail() { echo "FAILED: \$*"; failed=1; }
export HOME=/tmp/home LANG=C.UTF-8
mkdir -p "\$HOME"
out=\$(qdu --version 2>&1)
[ "\$out" = "qdu $version" ] || fail "qdu --version said: \$out"
out=\$(qdu --simulate list 2>&1)
printf '%s\n' "\$out" | grep -q '^D  simulated  D : QUORVEL BD-RW KVT-R42   1.00  CD check offered\$' ||
    fail "qdu --simulate list said: \$out"
out=\$(qdu --simulate status 2>&1) || fail "qdu --simulate status failed: \$out"
printf '%s\n' "\$out" | grep -q '^Disc Type: CD-ROM$' || fail "qdu --simulate status said: \$out"
# The window must still be running after five seconds (timeout's 124), not have failed.
QT_QPA_PLATFORM=offscreen timeout 5 quorvel-drive-utility --simulate >/tmp/window.log 2>&1
status=\$?
[ "\$status" -eq 124 ] || fail "the window ended with \$status: \$(cat /tmp/window.log)"
test -f /usr/share/applications/org.quorvel.DriveUtility.desktop || fail "no menu entry"
test -f /usr/share/doc/quorvel-drive-utility/manual/en/index.html || fail "no manual"
exit \$failed
EOF
chmod 755 "$work/inside.sh"

started=$(date +%s)
if ! mmdebstrap --mode="$mode" --variant=apt --quiet \
    --customize-hook="copy-in $work/$deb $work/inside.sh /tmp" \
    --customize-hook='chroot "$1" apt-get install -y -q "/tmp/'"$deb"'" >"$1/tmp/install.log" 2>&1 || { cat "$1/tmp/install.log"; exit 1; }' \
    --customize-hook='chroot "$1" setpriv --reuid=nobody --regid=nogroup --clear-groups /tmp/inside.sh' \
    bookworm "$work/root" \
    "deb http://deb.debian.org/debian bookworm main" \
    "deb http://deb.debian.org/debian bookworm-updates main" \
    "deb http://deb.debian.org/debian-security bookworm-security main" >"$work/log" 2>&1; then
    if grep -qiE "could not resolve|failed to fetch|temporary failure|connection (refused|timed out)" "$work/log"; then
        skip "Debian's archive could not be reached: $(grep -iE 'could not resolve|failed to fetch|temporary failure|connection' "$work/log" | head -n 1)"
    fi
    tail -n 40 "$work/log"
    echo "FAILED: the package in a pristine Debian 12"
    exit 1
fi
grep -E "^FAILED" "$work/log" && exit 1
echo "passed: installed with apt into a pristine Debian 12 and ran qdu and the window there" \
    "($(($(date +%s) - started)) s)"

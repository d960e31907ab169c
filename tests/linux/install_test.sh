#!/usr/bin/env bash
# The install tree as a desktop sees it: every file in its place, the menu entry and the
# software centre's description valid and pointing at what is installed, the man pages
# readable, the completion loadable, the programs naming the project's version.
#   install_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
for tool in desktop-file-validate appstreamcli man; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIPPED: $tool is not installed (scripts/install-deps.sh installs it)"
        exit 77
    fi
done
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cmake --install "$build" --prefix "$root/usr" >/dev/null
usr=$root/usr
fail() {
    echo "FAILED: $*"
    exit 1
}

desktop=$usr/share/applications/org.quorvel.DriveUtility.desktop
metainfo=$usr/share/metainfo/org.quorvel.DriveUtility.metainfo.xml
for file in bin/qdu bin/quorvel-drive-utility "${desktop#$usr/}" "${metainfo#$usr/}" \
    share/icons/hicolor/scalable/apps/quorvel-drive-utility.svg \
    share/icons/hicolor/16x16/apps/quorvel-drive-utility.png \
    share/icons/hicolor/48x48/apps/quorvel-drive-utility.png \
    share/icons/hicolor/256x256/apps/quorvel-drive-utility.png \
    share/man/man1/qdu.1.gz share/man/man1/quorvel-drive-utility.1.gz \
    share/doc/quorvel-drive-utility/changelog.gz \
    share/bash-completion/completions/qdu \
    share/doc/quorvel-drive-utility/manual/en/index.html \
    share/doc/quorvel-drive-utility/manual/ja/index.html; do
    [ -f "$usr/$file" ] || fail "$file is not installed"
done

desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$usr/bin/$exec_name" ] || fail "the menu entry starts $exec_name, which is not installed"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon $icon"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo does not name $version"
grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo" ||
    fail "the metainfo does not launch the installed menu entry"

for page in qdu quorvel-drive-utility; do
    MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$page.1.gz" >"$root/page" 2>"$root/warnings"
    [ ! -s "$root/warnings" ] || fail "man $page: $(cat "$root/warnings")"
    grep -q "^NAME" "$root/page" || fail "man $page has no NAME section"
done

# Every picture the manual shows is installed with it.
for page in "$usr"/share/doc/quorvel-drive-utility/manual/*/index.html; do
    for image in $(sed -n 's/.*<img src="\([^"]*\)".*/\1/p' "$page"); do
        [ -f "$(dirname "$page")/$image" ] || fail "$page shows $image, which is not installed"
    done
done

[ "$("$usr/bin/qdu" --version)" = "qdu $version" ] || fail "qdu --version"
zcat "$usr/share/doc/quorvel-drive-utility/changelog.gz" | head -n 1 |
    grep -q "^quorvel-drive-utility ($version) " || fail "the changelog does not name $version"
bash -c "source '$usr/share/bash-completion/completions/qdu' && complete -p qdu" | grep -q _qdu ||
    fail "the completion does not load"
echo "install tree: every file in place and valid"

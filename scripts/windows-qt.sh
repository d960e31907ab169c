#!/usr/bin/env bash
# Qt 6 for 64-bit Windows, cross-built with MinGW-w64 from Debian's own qt6-base source package
# (the same version as the Linux Qt, whose moc, rcc and uic the build uses), static, with only
# what the window needs. Installed into a cache folder outside the clone and reused when there.
#
#   scripts/windows-qt.sh           build when missing, then print the folder
#   scripts/windows-qt.sh --path    print the folder only (empty status 1 when not built)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null | sed 's/[+~-].*//') || true
version=${version:-6.4.2}
cache=${QDU_WINDOWS_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvel-drive-utility}
prefix="$cache/qt-$version-mingw"

if [ "${1:-}" = "--path" ]; then
    [ -f "$prefix/.complete" ] || exit 1
    echo "$prefix"
    exit 0
fi
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi
# Standard output carries the folder only; what the build says goes to standard error.
exec 3>&1 1>&2

scripts/install-deps.sh --windows --windows-qt
start=$(date +%s)
# The build tree stays in the cache until the install is done, so that a run that stopped
# goes on where it was.
work="$cache/qt-$version-mingw-build"
mkdir -p "$work"

# A private apt configuration with a source entry for the system's own Debian archive: the
# address is the machine's, read here; the system's configuration stays untouched.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
archive=""
keyring=""
for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    found=$(awk -v want="$codename" '
        /^[[:space:]]*$/ { if (uri && ok) { print uri " " key; exit } uri = ""; key = ""; ok = 0; next }
        /^URIs:/ { uri = $2 }
        /^Signed-By:/ { key = $2 }
        /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == want) ok = 1 }
        END { if (uri && ok) print uri " " key }' "$file" | head -1)
    if [ -n "$found" ]; then
        read -r archive keyring <<<"$found"
        break
    fi
done
if [ -z "$archive" ]; then
    archive=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk -v want="$codename" '$1 == "deb" && $3 == want { print $2; exit }')
fi
if [ -z "$archive" ]; then
    echo "windows-qt.sh: no Debian archive for $codename in this machine's apt sources;" \
        "add one (or a mirror) and run again" >&2
    exit 1
fi
rm -rf "$work/apt"
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/parts"
{
    echo "Types: deb-src"
    echo "URIs: $archive"
    echo "Suites: $codename"
    echo "Components: main"
    [ -n "$keyring" ] && echo "Signed-By: $keyring"
} >"$work/apt/parts/debian-src.sources"
apt_options=(
    -o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$work/apt/parts"
    -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
    -o Debug::NoLocking=1 -o APT::Sandbox::User="$(id -un)"
)
source_dir=$(find "$work" -maxdepth 1 -type d -name 'qtbase-*' | head -1)
if [ -z "$source_dir" ]; then
    echo "Fetching the qt6-base source package from $archive"
    apt-get "${apt_options[@]}" -qq update
    (cd "$work" && apt-get "${apt_options[@]}" -qq source --download-only qt6-base)
    tar -xf "$work"/qt6-base_*.orig.tar.* -C "$work"
    source_dir=$(find "$work" -maxdepth 1 -type d -name 'qtbase-*' | head -1)
fi

# What the window needs and no more. The Debian source lacks the tablet and SQLite parts;
# with Direct2D off, DirectWrite 3 must be off too or the font database does not link.
mkdir -p "$work/build"
[ -f "$work/build/build.ninja" ] || (cd "$work/build" && "$source_dir/configure" -prefix "$prefix" -release -static -static-runtime \
    -xplatform win32-g++ -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -no-zstd \
    -no-feature-sql -no-feature-network -no-feature-printsupport -no-feature-xml \
    -no-feature-tabletevent -no-feature-direct2d -no-feature-directwrite3 \
    -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-doubleconversion \
    -qt-host-path /usr -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >"$work/configure.log" 2>&1) || {
    tail -40 "$work/configure.log" >&2
    exit 1
}
cmake --build "$work/build" --parallel "$(nproc)"
rm -rf "$prefix"
cmake --install "$work/build" >"$work/install.log" 2>&1 || {
    tail -40 "$work/install.log"
    exit 1
}
touch "$prefix/.complete"
rm -rf "$work"
echo "Qt $version for Windows built in $(($(date +%s) - start)) s: $prefix"
echo "$prefix" >&3

#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that are missing.
# Works as root (CI, containers) and as a normal user with sudo.
set -euo pipefail

packages=(
    cmake g++ make
    libgtest-dev libgmock-dev libbenchmark-dev
    libcli11-dev nlohmann-json3-dev libdiscid-dev libsqlitecpp-dev pkg-config
    qt6-base-dev libqt6svg6 qt6-qpa-plugins
    fonts-noto-cjk fonts-dejavu-core
    python3-jsonschema
    scdoc desktop-file-utils appstream man-db
    # What screen readers are told is tested on a virtual display through the AT-SPI bus.
    xvfb xauth dbus-daemon dbus-bin at-spi2-core
)
for extra in "$@"; do
    case "$extra" in
        # Screenshots of the window need a virtual display and a screen grabber.
        --screenshots) packages+=(xvfb xauth imagemagick) ;;
        # libFuzzer comes with clang's runtime libraries.
        --fuzz) packages+=(clang libclang-rt-14-dev) ;;
        --coverage) packages+=(gcovr) ;;
        --analysis) packages+=(clang-tidy cppcheck) ;;
        # The virtual-machine tests: QEMU, a static busybox for the guest, and the tools that
        # unpack the kernel package and build the initramfs and the disc images.
        --vm) packages+=(qemu-system-x86 busybox-static genisoimage cpio gzip xz-utils zstd) ;;
        # The Windows build: MinGW-w64's -posix compilers (the win32 ones lack std::thread),
        # and Wine to run its tests, with its fonts for the window's Latin texts.
        --windows) packages+=(g++-mingw-w64-x86-64-posix wine wine64 fonts-wine) ;;
        # Qt for Windows from Debian's source package: Ninja, Perl for its header tool, xz for
        # the tarball.
        --windows-qt) packages+=(ninja-build perl xz-utils) ;;
        # The Debian package: dpkg-shlibdeps works out its dependencies, lintian checks it,
        # mmdebstrap makes the pristine Debian 12 its test installs it into.
        --package) packages+=(dpkg-dev lintian mmdebstrap) ;;
        *) echo "install-deps.sh: unknown option $extra" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"

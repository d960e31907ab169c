#!/usr/bin/env bash
# The Linux pass-through against a real kernel and QEMU's emulated CD drive.
#
# Builds the static guest program and the host driver, takes the kernel and its SCSI modules
# from Debian's linux-image-amd64 package (downloaded, not installed), boots a small virtual
# machine once on a virtio-scsi controller and once on an LSI 53C895A, and runs the scenarios
# in the guest. One line per scenario, then "N passed, N failed".
#
# Exit status: 0 all passed, 1 a scenario failed, 77 skipped (the kernel package could not be
# obtained; the reason is printed).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
work=$root/build/vm
mkdir -p "$work"

skip() {
    echo "SKIP: virtual-machine tests: $*"
    exit 77
}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        return 1
    fi
}

scripts/install-deps.sh --vm
cmake --preset release >/dev/null
if ! cmake --build --preset release --target qdu_vm_guest qdu_vm_host >"$work/build.log" 2>&1; then
    cat "$work/build.log"
    echo "tests/vm/run.sh: the guest program or the host driver did not build"
    exit 1
fi
bin=$root/build/release/tests/vm

# The kernel: the package linux-image-amd64 names the current image package; both are only
# downloaded and unpacked here.
fetch_kernel() {
    local dir=$work/kernel
    rm -rf "$dir" && mkdir -p "$dir" && cd "$dir"
    apt-get download linux-image-amd64 >download.log 2>&1 || return 1
    local image
    image=$(dpkg-deb -f linux-image-amd64_*.deb Depends | sed -n 's/^\(linux-image-[^ ,]*\).*/\1/p')
    [ -n "$image" ] || { echo "linux-image-amd64 names no image package" >>download.log; return 1; }
    apt-get download "$image" >>download.log 2>&1 || return 1
    dpkg-deb -x "$image"_*.deb unpacked || return 1
    cd "$root"
}
kernel_dir=$work/kernel/unpacked
if ! ls "$kernel_dir"/boot/vmlinuz-* >/dev/null 2>&1; then
    if ! (fetch_kernel); then
        # The package lists may be older than the archive; refresh them once.
        if as_root apt-get update -qq >/dev/null 2>&1 && (fetch_kernel); then
            :
        else
            skip "could not obtain the kernel package linux-image-amd64:" \
                "$(tail -n 3 "$work/kernel/download.log" 2>/dev/null | tr '\n' ' ')"
        fi
    fi
fi
vmlinuz=$(ls "$kernel_dir"/boot/vmlinuz-* | head -n 1)
modules=$(ls -d "$kernel_dir"/lib/modules/* | head -n 1)/kernel/drivers

# The initramfs: busybox, the SCSI and virtio modules, the guest program and /init.
initramfs=$work/initramfs
rm -rf "$initramfs"
mkdir -p "$initramfs"/{bin,dev,proc,sys,tmp,etc,lib/modules}
cp /bin/busybox "$initramfs/bin/busybox"
strip -o "$initramfs/bin/qdu-vm-guest" "$bin/qdu_vm_guest"
cp tests/vm/init.sh "$initramfs/init"
printf 'root:x:0:0:root:/:/bin/sh\nripper:x:1000:1000:ripper:/tmp:/bin/sh\n' >"$initramfs/etc/passwd"
printf 'root:x:0:\ncdrom:x:24:ripper\nripper:x:1000:\n' >"$initramfs/etc/group"
for module in scsi/scsi_common scsi/scsi_mod cdrom/cdrom scsi/sr_mod scsi/sg \
    virtio/virtio_ring virtio/virtio virtio/virtio_pci_modern_dev virtio/virtio_pci_legacy_dev \
    virtio/virtio_pci scsi/virtio_scsi scsi/scsi_transport_spi scsi/sym53c8xx_2/sym53c8xx; do
    found=$(ls "$modules/$module".ko* 2>/dev/null | head -n 1)
    [ -n "$found" ] || skip "the kernel package has no module $module"
    case "$found" in
        *.ko.xz) xz -dc "$found" >"$initramfs/lib/modules/$(basename "$module").ko" ;;
        *.ko.zst) zstd -qdc "$found" >"$initramfs/lib/modules/$(basename "$module").ko" ;;
        *) cp "$found" "$initramfs/lib/modules/" ;;
    esac
done
(cd "$initramfs" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initramfs.gz"

# Two discs of different sizes, so that a changed disc shows in the TOC.
make_disc() {
    local name=$1 kib=$2
    rm -rf "$work/disc-$name" && mkdir -p "$work/disc-$name"
    head -c "$((kib * 1024))" /dev/zero >"$work/disc-$name/track.bin"
    genisoimage -quiet -V "QDU_$name" -o "$work/$name.iso" "$work/disc-$name"
}
make_disc a 300
make_disc b 1200

rm -f "$work/summary"
# Socket paths must stay short (108 bytes), wherever the checkout lies.
sockets=$(mktemp -d /tmp/qdu-vm.XXXXXX)
trap 'rm -rf "$sockets"' EXIT
run_vm() {
    local controller=$1 hba=$2
    rm -f "$work/console-$controller.log"
    "$bin/qdu_vm_host" --label "$controller" --device cd0 --timeout 300 \
        --disc a="$work/a.iso" --disc b="$work/b.iso" --summary "$work/summary" \
        --qmp "$sockets/qmp" --channel "$sockets/line" -- \
        qemu-system-x86_64 -machine q35,accel=tcg -m 256 -smp 1 -nodefaults -display none \
        -no-reboot -nic none \
        -kernel "$vmlinuz" -initrd "$work/initramfs.gz" \
        -append "console=ttyS0 panic=-1 quiet qdu.controller=$controller" \
        -serial "file:$work/console-$controller.log" \
        -chardev "socket,id=line,path=$sockets/line" -serial chardev:line \
        -chardev "socket,id=monitor,path=$sockets/qmp" -mon chardev=monitor,mode=control \
        -device "$hba,id=scsi0" \
        -drive "if=none,id=disc,file=$work/a.iso,media=cdrom,format=raw,readonly=on" \
        -device scsi-cd,bus=scsi0.0,drive=disc,id=cd0 ||
        { echo "        $controller: the guest's console:"; tail -n 20 "$work/console-$controller.log" | sed 's/^/        | /'; }
}
started=$(date +%s)
run_vm virtio virtio-scsi-pci
run_vm lsi lsi53c895a

read -r passed failed < <(awk '{p += $1; f += $2} END {print p + 0, f + 0}' "$work/summary")
echo "$passed passed, $failed failed ($(($(date +%s) - started)) s)"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]

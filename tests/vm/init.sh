#!/bin/busybox sh
# The guest's first process: load the SCSI drivers for the controller named on the kernel
# command line, wait for the CD drive's nodes, run the scenarios, power off.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev

controller=virtio
for arg in $(cat /proc/cmdline); do
    case "$arg" in qdu.controller=*) controller="${arg#qdu.controller=}" ;; esac
done

case "$controller" in
    virtio) hba="virtio_ring virtio virtio_pci_modern_dev virtio_pci_legacy_dev virtio_pci virtio_scsi" ;;
    lsi) hba="scsi_transport_spi sym53c8xx" ;;
    *) echo "unknown controller $controller"; poweroff -f ;;
esac
for module in scsi_common scsi_mod cdrom sr_mod sg $hba; do
    insmod "/lib/modules/$module.ko" || echo "qdu-vm: insmod $module failed"
done

tries=0
while [ ! -e /dev/sr0 ] || [ ! -e /dev/sg0 ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 300 ]; then
        echo "qdu-vm: no /dev/sr0 and /dev/sg0 after 30 s"
        break
    fi
    sleep 0.1
done

/bin/qdu-vm-guest "$controller"
echo "qdu-vm: qdu-vm-guest exited with $?"
poweroff -f

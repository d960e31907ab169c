// Linux pass-through: SG_IO on the drive's SCSI generic node, or on /dev/srN when the generic
// node cannot be opened.
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "drive/passthrough.h"

namespace qdu {

// The few system calls the backend makes, so that tests can stand in for the kernel.
// Calls return the result or -errno.
class LinuxSystem {
public:
    struct NodeAccess {
        std::string owner;
        std::string group;
        mode_t mode = 0;
    };
    // Who runs this program: the groups this session has, and those the account has now
    // (they differ until the user logs in again after being added to one).
    struct Identity {
        uid_t uid = 0;
        std::string name;
        std::vector<std::string> session_groups;
        std::vector<std::string> account_groups;
    };

    virtual ~LinuxSystem() = default;
    virtual int open(const std::string& path, int flags);
    virtual void close(int fd);
    virtual int sg_io(int fd, void* sg_io_hdr);
    virtual bool exists(const std::string& path);
    virtual std::vector<std::string> list_dir(const std::string& path);
    virtual std::optional<NodeAccess> access_of(const std::string& path);
    virtual bool is_root();
    // A small text file (sysfs attributes, udev's records); nullopt when it cannot be read.
    virtual std::optional<std::string> read_text(const std::string& path);
    virtual Identity identity();
    // The users an access control list entry gives read and write access to the node, as the
    // desktop's seat does for the user at it.
    virtual std::vector<uid_t> acl_read_write_users(const std::string& path);
};

struct LinuxPaths {
    std::string dev = "/dev";
    std::string sysfs_block = "/sys/class/block";
    std::string sysfs_generic = "/sys/class/scsi_generic";
    std::string sysfs_module = "/sys/module";
    std::string udev_data = "/run/udev/data";
};

// Letters C..Z are the optical drives /dev/sr0../dev/sr23 in order.
std::optional<int> linux_drive_index(char letter);

class LinuxDeviceProvider final : public DeviceProvider {
public:
    explicit LinuxDeviceProvider(std::shared_ptr<LinuxSystem> system = nullptr,
                                 LinuxPaths paths = {});

    OpenResult open(char letter) override;
    DeviceDescription describe(char letter) override;
    std::unique_ptr<MediaNotificationHold> suppress_media_notification(char letter) override;

    std::string sr_path(int index) const;
    // The /dev/sgN that belongs to /dev/srN, found through sysfs; empty when there is none.
    std::string sg_path(int index) const;

    LinuxSystem& system() const { return *system_; }
    const LinuxPaths& paths() const { return paths_; }

private:
    std::string access_advice(const std::string& path) const;

    std::shared_ptr<LinuxSystem> system_;
    LinuxPaths paths_;
};

// The words for an errno value ("Permission denied").
std::string errno_text(int err);
// "rw-rw----" for 0660.
std::string mode_text(mode_t mode);

// Words for an SG_IO host status (DID_*).
std::string linux_host_status_text(int host_status);

}  // namespace qdu

#include "drive/linux_sg.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace qdu {

int LinuxSystem::open(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags);
    return fd >= 0 ? fd : -errno;
}

void LinuxSystem::close(int fd) {
    ::close(fd);
}

int LinuxSystem::sg_io(int fd, void* sg_io_hdr) {
    return ::ioctl(fd, SG_IO, sg_io_hdr) == 0 ? 0 : -errno;
}

bool LinuxSystem::exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::vector<std::string> LinuxSystem::list_dir(const std::string& path) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

std::string group_name(gid_t gid) {
    std::vector<char> scratch(16384);
    group entry{};
    group* found = nullptr;
    ::getgrgid_r(gid, &entry, scratch.data(), scratch.size(), &found);
    return found != nullptr ? found->gr_name : std::to_string(gid);
}

std::vector<std::string> group_names(const std::vector<gid_t>& ids) {
    std::vector<std::string> names;
    for (const gid_t id : ids) {
        std::string name = group_name(id);
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

}  // namespace

std::optional<LinuxSystem::NodeAccess> LinuxSystem::access_of(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    NodeAccess access;
    access.mode = st.st_mode & 07777;
    std::vector<char> scratch(16384);
    passwd pw_entry{};
    passwd* pw = nullptr;
    ::getpwuid_r(st.st_uid, &pw_entry, scratch.data(), scratch.size(), &pw);
    access.owner = pw != nullptr ? pw->pw_name : std::to_string(st.st_uid);
    access.group = group_name(st.st_gid);
    return access;
}

bool LinuxSystem::is_root() {
    return ::geteuid() == 0;
}

std::optional<std::string> LinuxSystem::read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

LinuxSystem::Identity LinuxSystem::identity() {
    Identity who;
    who.uid = ::geteuid();
    std::vector<gid_t> session(1, ::getegid());
    const int count = ::getgroups(0, nullptr);
    if (count > 0) {
        std::vector<gid_t> more(static_cast<std::size_t>(count));
        const int got = ::getgroups(count, more.data());
        more.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        session.insert(session.end(), more.begin(), more.end());
    }
    who.session_groups = group_names(session);

    std::vector<char> scratch(16384);
    passwd entry{};
    passwd* found = nullptr;
    ::getpwuid_r(who.uid, &entry, scratch.data(), scratch.size(), &found);
    if (found == nullptr) {
        who.name = std::to_string(who.uid);
        who.account_groups = who.session_groups;
        return who;
    }
    who.name = found->pw_name;
    int listed = 64;
    std::vector<gid_t> account(static_cast<std::size_t>(listed));
    if (::getgrouplist(found->pw_name, found->pw_gid, account.data(), &listed) < 0) {
        account.resize(static_cast<std::size_t>(listed));
        ::getgrouplist(found->pw_name, found->pw_gid, account.data(), &listed);
    }
    account.resize(static_cast<std::size_t>(std::max(listed, 0)));
    who.account_groups = group_names(account);
    return who;
}

std::vector<uid_t> LinuxSystem::acl_read_write_users(const std::string& path) {
    // The kernel's form of system.posix_acl_access: a version word, then entries of tag (16
    // bits), permissions (16) and id (32), little-endian on the machines we build for.
    std::array<std::uint8_t, 4096> raw{};
    const ssize_t size =
        ::getxattr(path.c_str(), "system.posix_acl_access", raw.data(), raw.size());
    std::vector<uid_t> users;
    if (size < 4) {
        return users;
    }
    constexpr unsigned kUser = 0x02;
    constexpr unsigned kMask = 0x10;
    constexpr unsigned kReadWrite = 0x06;
    auto word16 = [&](std::size_t at) { return static_cast<unsigned>(raw[at] | raw[at + 1] << 8); };
    auto word32 = [&](std::size_t at) {
        return static_cast<uid_t>(raw[at] | raw[at + 1] << 8 | raw[at + 2] << 16 |
                                  static_cast<uid_t>(raw[at + 3]) << 24);
    };
    unsigned mask = 07;
    std::vector<std::pair<uid_t, unsigned>> entries;
    for (std::size_t at = 4; at + 8 <= static_cast<std::size_t>(size); at += 8) {
        if (word16(at) == kUser) {
            entries.emplace_back(word32(at + 4), word16(at + 2));
        } else if (word16(at) == kMask) {
            mask = word16(at + 2);
        }
    }
    for (const auto& [uid, permissions] : entries) {
        if ((permissions & mask & kReadWrite) == kReadWrite) {
            users.push_back(uid);
        }
    }
    return users;
}

std::optional<int> linux_drive_index(char letter) {
    if (letter >= 'a' && letter <= 'z') {
        letter = static_cast<char>(letter - 'a' + 'A');
    }
    if (letter < 'C' || letter > 'Z') {
        return std::nullopt;
    }
    return letter - 'C';
}

// strerror may share one buffer between threads; this may not.
std::string errno_text(int err) {
    return std::error_code(err, std::generic_category()).message();
}

std::string mode_text(mode_t mode) {
    std::string text = "---------";
    const char* letters = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i) {
        if ((mode & (0400U >> i)) != 0) {
            text[static_cast<std::size_t>(i)] = letters[i];
        }
    }
    return text;
}

std::string linux_host_status_text(int host_status) {
    switch (host_status) {
        case 0x00: return "ok";
        case 0x01: return "no connection to the device";
        case 0x02: return "bus busy";
        case 0x03: return "timed out";
        case 0x04: return "device not found";
        case 0x05: return "command aborted";
        case 0x06: return "parity error";
        case 0x07: return "host adapter error";
        case 0x08: return "bus reset";
        case 0x0E: return "transport disrupted";
        case 0x0F: return "transport failed";
        default: return "host status " + std::to_string(host_status);
    }
}

namespace {

constexpr int kOpenFlags = O_RDWR | O_NONBLOCK | O_CLOEXEC;
constexpr int kDidNoConnect = 0x01;
constexpr int kDidBadTarget = 0x04;
constexpr int kDriverStatusErrorMask = 0x07;  // everything but DRIVER_SENSE

OpenError open_error_of(int err) {
    switch (err) {
        case ENOENT:
        case ENXIO:
        case ENODEV: return OpenError::NotPresent;
        case EACCES:
        case EPERM:
        case EROFS: return OpenError::PermissionDenied;
        case EBUSY: return OpenError::Busy;
        default: return OpenError::Other;
    }
}

class LinuxDevice final : public PassThroughDevice {
public:
    LinuxDevice(std::shared_ptr<LinuxSystem> system, int fd, std::string node,
                std::string refused_hint)
        : system_(std::move(system)),
          fd_(fd),
          node_(std::move(node)),
          refused_hint_(std::move(refused_hint)) {}
    ~LinuxDevice() override { system_->close(fd_); }
    LinuxDevice(const LinuxDevice&) = delete;
    LinuxDevice& operator=(const LinuxDevice&) = delete;

    ScsiResult execute(const ScsiRequest& request) override {
        CommandBlock cdb = request.cdb;
        std::array<std::uint8_t, 64> raw_sense{};
        // sg may leave stale bytes in the buffer of a failed command; read into our own and
        // hand the bytes over only on GOOD.
        std::vector<std::uint8_t> bounce;

        sg_io_hdr_t hdr{};
        hdr.interface_id = 'S';
        hdr.cmd_len = static_cast<unsigned char>(cdb.size());
        hdr.cmdp = cdb.data();
        hdr.mx_sb_len = static_cast<unsigned char>(raw_sense.size());
        hdr.sbp = raw_sense.data();
        hdr.timeout = request.timeout_seconds * 1000U;
        hdr.dxfer_len = static_cast<unsigned int>(request.data.size());
        switch (request.direction) {
            case DataDirection::DataIn:
                bounce.assign(request.data.size(), 0);
                hdr.dxfer_direction = SG_DXFER_FROM_DEV;
                hdr.dxferp = bounce.data();
                break;
            case DataDirection::DataOut:
                hdr.dxfer_direction = SG_DXFER_TO_DEV;
                hdr.dxferp = request.data.data();
                break;
            case DataDirection::NoData:
                hdr.dxfer_direction = SG_DXFER_NONE;
                hdr.dxfer_len = 0;
                break;
        }
        if (hdr.dxfer_len == 0) {
            hdr.dxfer_direction = SG_DXFER_NONE;
            hdr.dxferp = nullptr;
        }

        ScsiResult result;
        const int rc = system_->sg_io(fd_, &hdr);
        if (rc < 0) {
            const int err = -rc;
            result.os_error = err;
            result.delivery =
                (err == ENODEV || err == ENXIO) ? Delivery::DeviceGone : Delivery::OsError;
            result.detail = "SG_IO on " + node_ + " failed: " + errno_text(err);
            if ((err == EPERM || err == EACCES) && !refused_hint_.empty()) {
                result.detail += " (" + refused_hint_ + ")";
            }
            return result;
        }
        result.host_status = hdr.host_status;
        result.driver_status = hdr.driver_status;
        if (hdr.host_status != 0) {
            result.delivery = (hdr.host_status == kDidNoConnect || hdr.host_status == kDidBadTarget)
                                  ? Delivery::DeviceGone
                                  : Delivery::HostError;
            result.detail = node_ + ": " + linux_host_status_text(hdr.host_status);
            return result;
        }
        if ((hdr.driver_status & kDriverStatusErrorMask) != 0 && hdr.status == 0) {
            result.delivery = Delivery::HostError;
            result.detail = node_ + ": driver status " + std::to_string(hdr.driver_status);
            return result;
        }
        result.scsi_status = hdr.status;
        const std::size_t sense_len = std::min<std::size_t>(hdr.sb_len_wr, raw_sense.size());
        result.sense = normalize_sense(std::span<const std::uint8_t>(raw_sense.data(), sense_len));
        const int resid = std::clamp(hdr.resid, 0, static_cast<int>(hdr.dxfer_len));
        result.transferred = hdr.dxfer_len - static_cast<unsigned int>(resid);
        if (request.direction == DataDirection::DataIn && result.scsi_status == kStatusGood) {
            std::copy_n(bounce.begin(), result.transferred, request.data.begin());
        }
        return result;
    }

private:
    std::shared_ptr<LinuxSystem> system_;
    int fd_;
    std::string node_;
    std::string refused_hint_;
};

class NoOpNotificationHold final : public MediaNotificationHold {};

}  // namespace

LinuxDeviceProvider::LinuxDeviceProvider(std::shared_ptr<LinuxSystem> system, LinuxPaths paths)
    : system_(system ? std::move(system) : std::make_shared<LinuxSystem>()),
      paths_(std::move(paths)) {}

std::string LinuxDeviceProvider::sr_path(int index) const {
    return paths_.dev + "/sr" + std::to_string(index);
}

std::string LinuxDeviceProvider::sg_path(int index) const {
    const std::string dir =
        paths_.sysfs_block + "/sr" + std::to_string(index) + "/device/scsi_generic";
    for (const std::string& name : system_->list_dir(dir)) {
        if (name.rfind("sg", 0) == 0) {
            return paths_.dev + "/" + name;
        }
    }
    return {};
}

std::string LinuxDeviceProvider::access_advice(const std::string& path) const {
    const auto access = system_->access_of(path);
    if (!access) {
        return "give your user read and write access to " + path;
    }
    std::string text = path + " is owned by " + access->owner + ":" + access->group +
                       " with mode " + mode_text(access->mode) + "; ";
    const bool group_rw = (access->mode & 060) == 060;
    if (group_rw && access->group != "root") {
        text += "add your user to the group '" + access->group + "' (sudo usermod -aG " +
                access->group + " \"$USER\") and log in again";
    } else {
        text +=
            "ask the administrator for read and write access to it (for example with a udev "
            "rule)";
    }
    return text;
}

OpenResult LinuxDeviceProvider::open(char letter) {
    OpenResult result;
    const auto index = linux_drive_index(letter);
    if (!index) {
        result.error = OpenError::NotPresent;
        result.message = std::string("drive letter ") + letter + " is not one of C to Z";
        return result;
    }
    const std::string sr = sr_path(*index);
    const std::string sg = sg_path(*index);

    int sg_error = 0;
    if (!sg.empty()) {
        const int fd = system_->open(sg, kOpenFlags);
        if (fd >= 0) {
            result.device = std::make_unique<LinuxDevice>(system_, fd, sg, std::string());
            result.node = sg;
            return result;
        }
        sg_error = -fd;
    }

    const int fd = system_->open(sr, kOpenFlags);
    if (fd >= 0) {
        std::string hint;
        if (!sg.empty()) {
            hint = "the kernel lets only privileged users send WRITE BUFFER through " + sr +
                   ", which changing settings, reading the counters and the disc and the CD "
                   "check need, and " +
                   sg + " could not be opened: " + errno_text(sg_error) + "; " + access_advice(sg);
        } else if (!system_->is_root()) {
            hint = "the kernel lets only privileged users send WRITE BUFFER through " + sr +
                   ", which changing settings, reading the counters and the disc and the CD "
                   "check need, and no SCSI generic node was found for it "
                   "(load the sg module: sudo modprobe sg)";
        }
        result.device = std::make_unique<LinuxDevice>(system_, fd, sr, hint);
        result.node = sr;
        result.message = hint;
        return result;
    }

    const int err = -fd;
    result.os_error = err;
    result.error = open_error_of(err);
    result.node = sr;
    if (result.error == OpenError::NotPresent) {
        result.message = "no optical drive at " + sr;
    } else if (result.error == OpenError::PermissionDenied) {
        result.message = sr + " exists but could not be opened: " + errno_text(err) + "; " +
                         access_advice(sg.empty() ? sr : sg);
    } else if (result.error == OpenError::Busy) {
        result.message = sr + " is in exclusive use by another program; close it and try again";
    } else {
        result.message = sr + " could not be opened: " + errno_text(err);
    }
    return result;
}

DeviceDescription LinuxDeviceProvider::describe(char letter) {
    DeviceDescription description;
    const auto index = linux_drive_index(letter);
    if (!index) {
        return description;
    }
    description.path = sr_path(*index);
    description.exists = system_->exists(description.path);
    return description;
}

std::unique_ptr<MediaNotificationHold> LinuxDeviceProvider::suppress_media_notification(
    char /*letter*/) {
    // Linux has no per-handle notification switch; the check keeps the tray locked instead.
    return std::make_unique<NoOpNotificationHold>();
}

std::shared_ptr<DeviceProvider> make_system_device_provider() {
    return std::make_shared<LinuxDeviceProvider>();
}

}  // namespace qdu

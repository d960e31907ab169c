// A fake sysfs, /dev and udev database in a scratch folder, read through the real file system,
// and a user who is not root: the tests run as root, so who may open a node is decided here
// from its owner, group and mode as the kernel would.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "drive/linux_sg.h"

namespace qdu::testing {

class FakeLinuxTree : public LinuxSystem {
public:
    FakeLinuxTree() {
        root_ = std::filesystem::temp_directory_path() /
                ("qdu-tree-" + std::to_string(::getpid()) + "-" + std::to_string(++count()));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "dev");
        who.uid = 1000;
        who.name = "ripper";
        who.session_groups = {"ripper"};
        who.account_groups = {"ripper"};
    }
    ~FakeLinuxTree() override { std::filesystem::remove_all(root_); }
    FakeLinuxTree(const FakeLinuxTree&) = delete;
    FakeLinuxTree& operator=(const FakeLinuxTree&) = delete;

    LinuxPaths paths() const {
        return {(root_ / "dev").string(), (root_ / "sys/class/block").string(),
                (root_ / "sys/class/scsi_generic").string(), (root_ / "sys/module").string(),
                (root_ / "run/udev/data").string()};
    }
    std::string node(const std::string& name) const { return (root_ / "dev" / name).string(); }

    void write(const std::string& relative, const std::string& text) const {
        const auto path = root_ / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }
    void folder(const std::string& relative) const {
        std::filesystem::create_directories(root_ / relative);
    }
    // An optical drive srN with its generic node sgM (M < 0: none), as the kernel lists it.
    void drive(int n, int m, const std::string& vendor, const std::string& model) const {
        const std::string sys = "sys/class/block/sr" + std::to_string(n);
        write(sys + "/dev", "11:" + std::to_string(n) + "\n");
        write(sys + "/device/vendor", vendor + "\n");
        write(sys + "/device/model", model + "\n");
        write(sys + "/device/type", "5\n");
        write("dev/sr" + std::to_string(n), "");
        if (m >= 0) {
            write(sys + "/device/scsi_generic/sg" + std::to_string(m) + "/dev",
                  "21:" + std::to_string(m) + "\n");
            write("dev/sg" + std::to_string(m), "");
            folder("sys/class/scsi_generic/sg" + std::to_string(m));
            folder("sys/module/sg");
        }
    }

    Identity who;
    std::map<std::string, NodeAccess> owners;  // by node; others are root:root 0600
    std::map<std::string, int> open_errors;    // by node, before permissions are weighed
    std::map<std::string, std::vector<uid_t>> acl;

    int open(const std::string& path, int flags) override {
        if (const auto e = open_errors.find(path); e != open_errors.end()) {
            return -e->second;
        }
        if (!exists(path)) {
            return -ENOENT;
        }
        const NodeAccess access = access_of(path).value_or(NodeAccess{});
        const auto granted = acl_read_write_users(path);
        const bool by_acl = std::find(granted.begin(), granted.end(), who.uid) != granted.end();
        const bool in_group = std::find(who.session_groups.begin(), who.session_groups.end(),
                                        access.group) != who.session_groups.end();
        const mode_t need = (flags & O_ACCMODE) == O_RDWR ? 06 : 04;
        const mode_t have = access.owner == who.name ? (access.mode >> 6) & 07
                            : in_group               ? (access.mode >> 3) & 07
                                                     : access.mode & 07;
        return by_acl || (have & need) == need ? 3 : -EACCES;
    }
    void close(int) override {}
    int sg_io(int, void*) override { return -ENOTTY; }  // its nodes are plain files
    std::optional<NodeAccess> access_of(const std::string& path) override {
        if (!exists(path)) {
            return std::nullopt;
        }
        const auto found = owners.find(path);
        return found != owners.end() ? found->second : NodeAccess{"root", "root", 0600};
    }
    bool is_root() override { return false; }
    Identity identity() override { return who; }
    std::vector<uid_t> acl_read_write_users(const std::string& path) override {
        const auto found = acl.find(path);
        return found != acl.end() ? found->second : std::vector<uid_t>{};
    }

private:
    static int& count() {
        static int n = 0;
        return n;
    }
    std::filesystem::path root_;
};

}  // namespace qdu::testing

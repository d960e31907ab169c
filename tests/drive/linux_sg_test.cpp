#include "drive/linux_sg.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <scsi/sg.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>

namespace qdu {
namespace {

// Stands in for the kernel: which nodes exist, which may be opened, and how SG_IO answers.
class FakeKernel : public LinuxSystem {
public:
    std::map<std::string, int> open_errors;  // path -> errno; absent paths give ENOENT
    std::set<std::string> nodes;
    std::map<std::string, std::vector<std::string>> dirs;
    std::function<int(sg_io_hdr_t&)> answer = [](sg_io_hdr_t&) { return 0; };
    std::vector<std::pair<std::string, int>> opened;
    std::vector<sg_io_hdr_t> requests;
    std::vector<std::vector<std::uint8_t>> cdbs;
    int closed = 0;
    bool root = false;

    int open(const std::string& path, int flags) override {
        opened.emplace_back(path, flags);
        if (const auto e = open_errors.find(path); e != open_errors.end()) {
            return -e->second;
        }
        return nodes.count(path) != 0 ? 100 + static_cast<int>(opened.size()) : -ENOENT;
    }
    void close(int) override { ++closed; }
    int sg_io(int, void* hdr) override {
        auto& h = *static_cast<sg_io_hdr_t*>(hdr);
        requests.push_back(h);
        cdbs.emplace_back(h.cmdp, h.cmdp + h.cmd_len);
        return answer(h);
    }
    bool exists(const std::string& path) override {
        return nodes.count(path) != 0 || open_errors.count(path) != 0;
    }
    std::vector<std::string> list_dir(const std::string& path) override {
        const auto d = dirs.find(path);
        return d == dirs.end() ? std::vector<std::string>{} : d->second;
    }
    std::optional<NodeAccess> access_of(const std::string&) override {
        return NodeAccess{"root", "cdrom", 0660};
    }
    bool is_root() override { return root; }
};

class LinuxBackend : public ::testing::Test {
protected:
    void SetUp() override {
        kernel = std::make_shared<FakeKernel>();
        kernel->nodes = {"/dev/sr1", "/dev/sg3"};
        kernel->dirs["/sys/class/block/sr1/device/scsi_generic"] = {"sg3"};
        provider = std::make_unique<LinuxDeviceProvider>(kernel);
    }

    std::unique_ptr<PassThroughDevice> open_d() {
        OpenResult r = provider->open('D');
        EXPECT_NE(r.device, nullptr) << r.message;
        return std::move(r.device);
    }

    std::shared_ptr<FakeKernel> kernel;
    std::unique_ptr<LinuxDeviceProvider> provider;
};

TEST(LinuxLetters, CToZAreSr0ToSr23) {
    EXPECT_EQ(linux_drive_index('C'), 0);
    EXPECT_EQ(linux_drive_index('d'), 1);
    EXPECT_EQ(linux_drive_index('Z'), 23);
    EXPECT_FALSE(linux_drive_index('B').has_value());
    EXPECT_FALSE(linux_drive_index(0).has_value());
}

TEST_F(LinuxBackend, OpensTheGenericNodeReadWriteNonBlocking) {
    OpenResult r = provider->open('D');
    ASSERT_NE(r.device, nullptr);
    EXPECT_EQ(r.node, "/dev/sg3");
    EXPECT_TRUE(r.message.empty());
    ASSERT_EQ(kernel->opened.size(), 1U);
    EXPECT_EQ(kernel->opened[0].first, "/dev/sg3");
    EXPECT_EQ(kernel->opened[0].second, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    r.device.reset();
    EXPECT_EQ(kernel->closed, 1);
    EXPECT_EQ(provider->describe('D').path, "/dev/sr1");
    EXPECT_TRUE(provider->describe('D').exists);
    EXPECT_FALSE(provider->describe('E').exists);
}

TEST_F(LinuxBackend, FallsBackToSrWithAHintWhenSgIsRefused) {
    kernel->open_errors["/dev/sg3"] = EACCES;
    OpenResult r = provider->open('D');
    ASSERT_NE(r.device, nullptr);
    EXPECT_EQ(r.node, "/dev/sr1");
    EXPECT_NE(r.message.find("/dev/sg3"), std::string::npos);
    EXPECT_NE(r.message.find("group 'cdrom'"), std::string::npos);

    // The kernel refuses WRITE BUFFER on sr for an unprivileged user: not delivered.
    kernel->answer = [](sg_io_hdr_t&) { return -EPERM; };
    std::array<std::uint8_t, 32> buffer{};
    ScsiRequest request;
    request.cdb = CommandBlock{0x3B, 0x02, 0xE1, 0, 0, 0, 0, 0, 0x20};
    request.direction = DataDirection::DataOut;
    request.data = buffer;
    const ScsiResult result = r.device->execute(request);
    EXPECT_EQ(result.delivery, Delivery::OsError);
    EXPECT_EQ(result.os_error, EPERM);
    EXPECT_NE(result.detail.find("/dev/sg3"), std::string::npos);
    EXPECT_NE(result.detail.find("WRITE BUFFER"), std::string::npos);
}

TEST_F(LinuxBackend, TellsMissingFromForbidden) {
    kernel->open_errors["/dev/sg3"] = EACCES;
    kernel->open_errors["/dev/sr1"] = EACCES;
    OpenResult denied = provider->open('D');
    EXPECT_EQ(denied.device, nullptr);
    EXPECT_EQ(denied.error, OpenError::PermissionDenied);
    EXPECT_EQ(denied.os_error, EACCES);
    EXPECT_NE(denied.message.find("/dev/sr1 exists but could not be opened"), std::string::npos);
    EXPECT_NE(denied.message.find("usermod -aG cdrom"), std::string::npos);

    OpenResult missing = provider->open('E');
    EXPECT_EQ(missing.error, OpenError::NotPresent);
    EXPECT_EQ(missing.message, "no optical drive at /dev/sr2");

    kernel->open_errors["/dev/sr3"] = EBUSY;
    EXPECT_EQ(provider->open('F').error, OpenError::Busy);
}

TEST_F(LinuxBackend, WithoutGenericNodeUsesSr) {
    kernel->dirs.clear();
    OpenResult r = provider->open('D');
    ASSERT_NE(r.device, nullptr);
    EXPECT_EQ(r.node, "/dev/sr1");
    EXPECT_NE(r.message.find("modprobe sg"), std::string::npos);
}

TEST_F(LinuxBackend, FillsTheSgRequest) {
    auto device = open_d();
    std::array<std::uint8_t, 256> out{};
    out[0] = 0x0C;
    ScsiRequest request;
    request.cdb = {0x3B, 0x01, 0xFA, 0, 0, 0, 0, 0x01, 0x00, 0, 0, 0};
    request.direction = DataDirection::DataOut;
    request.data = out;
    EXPECT_TRUE(device->execute(request).good());

    ASSERT_EQ(kernel->requests.size(), 1U);
    const sg_io_hdr_t& h = kernel->requests[0];
    EXPECT_EQ(h.interface_id, 'S');
    EXPECT_EQ(h.cmd_len, 12);
    EXPECT_EQ(h.dxfer_direction, SG_DXFER_TO_DEV);
    EXPECT_EQ(h.dxfer_len, 256U);
    EXPECT_EQ(h.dxferp, out.data());
    EXPECT_EQ(h.timeout, 360000U);
    EXPECT_GE(h.mx_sb_len, 18);
    EXPECT_EQ(kernel->cdbs[0], std::vector<std::uint8_t>(request.cdb.begin(), request.cdb.end()));

    request.direction = DataDirection::NoData;
    request.data = {};
    device->execute(request);
    EXPECT_EQ(kernel->requests[1].dxfer_direction, SG_DXFER_NONE);
    EXPECT_EQ(kernel->requests[1].dxfer_len, 0U);
}

TEST_F(LinuxBackend, FailedCommandLeavesTheCallersBufferAlone) {
    auto device = open_d();
    kernel->answer = [](sg_io_hdr_t& h) {
        std::memset(h.dxferp, 0xEE, h.dxfer_len);  // stale bytes from an earlier command
        h.status = 0x02;
        h.driver_status = 0x08;
        const std::uint8_t sense[] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0x00};
        std::memcpy(h.sbp, sense, sizeof sense);
        h.sb_len_wr = sizeof sense;
        return 0;
    };
    std::array<std::uint8_t, 64> buffer{};
    ScsiRequest request;
    request.direction = DataDirection::DataIn;
    request.data = buffer;
    const ScsiResult result = device->execute(request);
    EXPECT_TRUE(result.delivered());
    EXPECT_EQ(result.scsi_status, 0x02);
    EXPECT_EQ(result.sense[2], 0x05);
    EXPECT_EQ(result.sense[12], 0x24);
    EXPECT_EQ(buffer, (std::array<std::uint8_t, 64>{}));
}

TEST_F(LinuxBackend, GoodCommandCopiesOnlyWhatWasTransferred) {
    auto device = open_d();
    kernel->answer = [](sg_io_hdr_t& h) {
        std::memset(h.dxferp, 0x11, h.dxfer_len);
        h.resid = 16;
        return 0;
    };
    std::array<std::uint8_t, 64> buffer;
    buffer.fill(0x77);
    ScsiRequest request;
    request.direction = DataDirection::DataIn;
    request.data = buffer;
    const ScsiResult result = device->execute(request);
    EXPECT_TRUE(result.good());
    EXPECT_EQ(result.transferred, 48U);
    EXPECT_EQ(buffer[47], 0x11);
    EXPECT_EQ(buffer[48], 0x77);
}

TEST_F(LinuxBackend, DescriptorSenseIsReadAsFixed) {
    auto device = open_d();
    kernel->answer = [](sg_io_hdr_t& h) {
        h.status = 0x02;
        const std::uint8_t sense[] = {0x72, 0x06, 0x29, 0x00, 0, 0, 0, 0};
        std::memcpy(h.sbp, sense, sizeof sense);
        h.sb_len_wr = sizeof sense;
        return 0;
    };
    ScsiRequest request;
    const ScsiResult result = device->execute(request);
    EXPECT_EQ(result.sense[2], 0x06);
    EXPECT_EQ(result.sense[12], 0x29);
}

TEST_F(LinuxBackend, KeepsOsHostAndDriveApart) {
    auto device = open_d();
    ScsiRequest request;

    kernel->answer = [](sg_io_hdr_t&) { return -ENODEV; };
    ScsiResult gone = device->execute(request);
    EXPECT_EQ(gone.delivery, Delivery::DeviceGone);
    EXPECT_EQ(gone.os_error, ENODEV);

    kernel->answer = [](sg_io_hdr_t& h) {
        h.host_status = 0x03;  // DID_TIME_OUT
        return 0;
    };
    ScsiResult timeout = device->execute(request);
    EXPECT_EQ(timeout.delivery, Delivery::HostError);
    EXPECT_EQ(timeout.host_status, 3);
    EXPECT_NE(timeout.detail.find("timed out"), std::string::npos);

    kernel->answer = [](sg_io_hdr_t& h) {
        h.host_status = 0x01;  // DID_NO_CONNECT: unplugged
        return 0;
    };
    EXPECT_EQ(device->execute(request).delivery, Delivery::DeviceGone);

    kernel->answer = [](sg_io_hdr_t& h) {
        h.driver_status = 0x06;  // DRIVER_TIMEOUT
        return 0;
    };
    EXPECT_EQ(device->execute(request).delivery, Delivery::HostError);
}

TEST(LinuxRealKernel, SgIoOnAPlainFileIsNotDelivered) {
    char dir[] = "/tmp/qdu-dev-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string sr0 = std::string(dir) + "/sr0";
    std::FILE* file = std::fopen(sr0.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);

    LinuxDeviceProvider provider(nullptr, LinuxPaths{dir, std::string(dir) + "/sys"});
    OpenResult opened = provider.open('C');
    ASSERT_NE(opened.device, nullptr) << opened.message;
    EXPECT_EQ(opened.node, sr0);
    std::array<std::uint8_t, 16> buffer{};
    ScsiRequest request;
    request.direction = DataDirection::DataIn;
    request.data = buffer;
    const ScsiResult result = opened.device->execute(request);
    EXPECT_EQ(result.delivery, Delivery::OsError);
    EXPECT_EQ(result.os_error, ENOTTY);
    EXPECT_EQ(provider.open('D').error, OpenError::NotPresent);

    opened.device.reset();
    ::unlink(sr0.c_str());
    ::rmdir(dir);
}

}  // namespace
}  // namespace qdu

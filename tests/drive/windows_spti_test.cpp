// The Windows backend against a stand-in for the Win32 calls: the request block byte for byte,
// the drive's answers, every failure the system can report, and media-change notification.
#include "drive/windows_spti.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <vector>

#include "drive/transport.h"

namespace qdu {
namespace {

using Handle = WindowsSystem::Handle;

class FakeWindows final : public WindowsSystem {
public:
    struct Created {
        std::wstring path;
        std::uint32_t access, attributes;
    };
    struct Call {
        Handle handle;
        std::uint32_t code;
        std::vector<std::uint8_t> in;
        bool in_is_out;
        std::uint32_t out_size;
    };
    std::map<char, std::uint32_t> types{{'E', win::kDriveCdrom}, {'C', 3}};
    std::uint32_t open_error = 0;
    // Acts as the driver on a pass-through block; returns the GetLastError of a failure, or 0.
    std::function<std::uint32_t(SptdWithSense&)> driver = [](SptdWithSense&) { return 0U; };
    std::uint32_t mcn_error = 0;
    std::vector<Created> created;
    std::vector<Call> calls;
    std::vector<Handle> closed;

    Handle create_file(const std::wstring& path, std::uint32_t access, std::uint32_t attributes,
                       std::uint32_t& error) override {
        created.push_back({path, access, attributes});
        error = open_error;
        return open_error != 0 ? kInvalidHandle : static_cast<Handle>(100 + created.size());
    }
    bool device_io_control(Handle handle, std::uint32_t code, void* in, std::uint32_t in_size,
                           void* out, std::uint32_t out_size, std::uint32_t& returned,
                           std::uint32_t& error) override {
        const auto* bytes = static_cast<const std::uint8_t*>(in);
        calls.push_back(
            {handle, code, std::vector<std::uint8_t>(bytes, bytes + in_size), in == out, out_size});
        returned = 0;
        error = code == win::kIoctlStorageMcnControl ? mcn_error
                                                     : driver(*static_cast<SptdWithSense*>(in));
        return error == 0;
    }
    void close_handle(Handle handle) override { closed.push_back(handle); }
    std::uint32_t drive_type(char letter) override {
        const auto found = types.find(letter);
        return found == types.end() ? 1 : found->second;  // DRIVE_NO_ROOT_DIR
    }
};

class WindowsBackend : public ::testing::Test {
protected:
    std::shared_ptr<FakeWindows> system = std::make_shared<FakeWindows>();
    WindowsDeviceProvider provider{system};

    std::unique_ptr<PassThroughDevice> open_e() {
        OpenResult opened = provider.open('E');
        EXPECT_EQ(opened.error, OpenError::None);
        return std::move(opened.device);
    }
};

const CommandBlock kInquiry{0x12, 0, 0, 0, 36, 0, 0, 0, 0, 0, 0, 0};

TEST_F(WindowsBackend, TheRequestBlockByteForByte) {
    auto device = open_e();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(system->created.size(), 1U);
    EXPECT_EQ(system->created[0].path, std::wstring(LR"(\\.\E:)"));
    EXPECT_EQ(system->created[0].access, 0xC0000000U);  // GENERIC_READ | GENERIC_WRITE
    EXPECT_EQ(system->created[0].attributes, 0x80U);    // FILE_ATTRIBUTE_NORMAL

    std::uint8_t reply[36] = {};
    std::uintptr_t driver_buffer = 0;
    system->driver = [&](SptdWithSense& b) {
        driver_buffer = reinterpret_cast<std::uintptr_t>(b.sptd.data_buffer);
        std::memset(b.sptd.data_buffer, 0x5A, b.sptd.data_transfer_length);
        return 0U;
    };
    const ScsiResult r = device->execute({kInquiry, DataDirection::DataIn, reply});
    ASSERT_EQ(system->calls.size(), 1U);
    const FakeWindows::Call& call = system->calls[0];
    EXPECT_EQ(call.code, 0x4D014U);
    EXPECT_TRUE(call.in_is_out);  // one block, input and output
    EXPECT_EQ(call.out_size, call.in.size());
    const std::vector<std::uint8_t>& b = call.in;
    // 32-bit programs: the 44-byte structure and the sense at 48 in an 80-byte block; 64-bit
    // ones (DataBuffer a pointer of 8): 56 bytes, the sense at 56.
    const bool wide = sizeof(void*) == 8;
    ASSERT_EQ(b.size(), wide ? 88U : 80U);
    EXPECT_EQ(b[0] | (b[1] << 8), wide ? 56 : 44);  // Length
    EXPECT_EQ(b[2], 0);                             // ScsiStatus, PathId, TargetId, Lun
    EXPECT_EQ(b[3] | b[4] | b[5], 0);
    EXPECT_EQ(b[6], 12);                   // CdbLength
    EXPECT_EQ(b[7], 18);                   // SenseInfoLength
    EXPECT_EQ(b[8], 1);                    // DataIn
    EXPECT_EQ(b[12] | (b[13] << 8), 36);   // DataTransferLength
    EXPECT_EQ(b[16] | (b[17] << 8), 360);  // TimeOutValue
    const std::size_t sense_offset_at = wide ? 32 : 24;
    EXPECT_EQ(b[sense_offset_at], wide ? 56 : 48);  // SenseInfoOffset
    const std::size_t cdb_at = wide ? 36 : 28;
    EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + cdb_at, b.begin() + cdb_at + 16),
              (std::vector<std::uint8_t>{0x12, 0, 0, 0, 36, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(driver_buffer % 64, 0U);  // an aligned buffer of our own
    EXPECT_NE(driver_buffer, reinterpret_cast<std::uintptr_t>(reply));

    EXPECT_TRUE(r.good());
    EXPECT_EQ(r.transferred, 36U);
    EXPECT_EQ(reply[0], 0x5A);
    EXPECT_EQ(reply[35], 0x5A);
}

TEST_F(WindowsBackend, DriveAnswersStatusSenseAndShortTransfers) {
    auto device = open_e();
    std::uint8_t reply[36];
    std::memset(reply, 0xEE, sizeof reply);
    system->driver = [](SptdWithSense& b) {
        std::memset(b.sptd.data_buffer, 0x11, b.sptd.data_transfer_length);
        b.sptd.scsi_status = kStatusCheckCondition;
        b.sense[0] = 0x70;
        b.sense[2] = 0x05;
        b.sense[12] = 0x24;
        return 0U;
    };
    ScsiResult r = device->execute({kInquiry, DataDirection::DataIn, reply});
    EXPECT_TRUE(r.delivered());
    EXPECT_EQ(r.scsi_status, kStatusCheckCondition);
    EXPECT_EQ(sense_code(r.sense).key, 0x5);
    EXPECT_EQ(sense_code(r.sense).asc, 0x24);
    EXPECT_EQ(reply[0], 0xEE);  // the caller's buffer is untouched unless GOOD

    // Another status: read every time; no sense is taken without CHECK CONDITION.
    system->driver = [](SptdWithSense& b) {
        b.sptd.scsi_status = 0x08;  // BUSY
        b.sense[2] = 0x05;
        return 0U;
    };
    r = device->execute({kInquiry, DataDirection::DataIn, reply});
    EXPECT_EQ(r.scsi_status, 0x08);
    EXPECT_EQ(sense_code(r.sense).key, 0);

    // A short transfer: the driver writes back how much moved.
    system->driver = [](SptdWithSense& b) {
        std::memset(b.sptd.data_buffer, 0x22, 10);
        b.sptd.data_transfer_length = 10;
        return 0U;
    };
    r = device->execute({kInquiry, DataDirection::DataIn, reply});
    EXPECT_TRUE(r.good());
    EXPECT_EQ(r.transferred, 10U);
    EXPECT_EQ(reply[9], 0x22);
    EXPECT_EQ(reply[10], 0xEE);  // what did not move keeps the caller's bytes

    // Data out reaches the driver as the caller wrote it.
    std::uint8_t block[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<std::uint8_t> seen;
    system->driver = [&seen](SptdWithSense& b) {
        const auto* p = static_cast<const std::uint8_t*>(b.sptd.data_buffer);
        seen.assign(p, p + b.sptd.data_transfer_length);
        return b.sptd.data_in == 0 ? 0U : 87U;
    };
    EXPECT_TRUE(device->execute({CommandBlock{0x3B}, DataDirection::DataOut, block}).good());
    EXPECT_EQ(seen, std::vector<std::uint8_t>(block, block + 8));
}

TEST_F(WindowsBackend, FailedCallsAreUndeliveredWithTheirReason) {
    auto device = open_e();
    struct Case {
        std::uint32_t error;
        Delivery delivery;
        const char* words;
    };
    for (const Case c :
         {Case{1167, Delivery::DeviceGone, "unplugged"},
          Case{433, Delivery::DeviceGone, "unplugged"},
          Case{6, Delivery::DeviceGone, "no longer valid"},
          Case{121, Delivery::HostError, "timed out"}, Case{1117, Delivery::OsError, "I/O error"},
          Case{5, Delivery::OsError, "access is denied"},
          Case{87, Delivery::OsError, "malformed"}}) {
        std::uint8_t reply[36];
        std::memset(reply, 0xEE, sizeof reply);
        system->driver = [&c](SptdWithSense& b) {
            std::memset(b.sptd.data_buffer, 0, b.sptd.data_transfer_length);
            return c.error;
        };
        const ScsiResult r = device->execute({kInquiry, DataDirection::DataIn, reply});
        EXPECT_EQ(r.delivery, c.delivery) << c.error;
        EXPECT_EQ(r.os_error, static_cast<int>(c.error));
        EXPECT_NE(r.detail.find(c.words), std::string::npos) << r.detail;
        EXPECT_NE(r.detail.find(R"(\\.\E:)"), std::string::npos);
        EXPECT_EQ(reply[0], 0xEE);
    }
}

TEST_F(WindowsBackend, OpeningLettersAndWhyNot) {
    // Only CD/DVD drives are opened at all.
    EXPECT_FALSE(provider.describe('C').exists);
    EXPECT_EQ(provider.open('C').error, OpenError::NotPresent);
    EXPECT_EQ(provider.open('Q').error, OpenError::NotPresent);
    EXPECT_TRUE(system->created.empty());
    EXPECT_TRUE(provider.describe('E').exists);

    system->open_error = 5;
    OpenResult denied = provider.open('E');
    EXPECT_EQ(denied.error, OpenError::PermissionDenied);
    EXPECT_EQ(denied.os_error, 5);
    EXPECT_NE(denied.message.find("administrator"), std::string::npos);
    system->open_error = 32;
    EXPECT_EQ(provider.open('E').error, OpenError::Busy);
    system->open_error = 2;
    EXPECT_EQ(provider.open('E').error, OpenError::NotPresent);
    system->open_error = 21;
    EXPECT_EQ(provider.open('E').error, OpenError::Other);

    system->open_error = 0;
    { auto device = open_e(); }
    ASSERT_EQ(system->closed.size(), 1U);  // the handle goes with the device
}

TEST_F(WindowsBackend, MediaNotificationIsOffWhileTheHoldLives) {
    auto hold = provider.suppress_media_notification('E');
    ASSERT_NE(hold, nullptr);
    ASSERT_EQ(system->created.size(), 1U);
    EXPECT_EQ(system->created[0].access, 0U);      // query only
    EXPECT_EQ(system->created[0].attributes, 1U);  // FILE_ATTRIBUTE_READONLY
    ASSERT_EQ(system->calls.size(), 1U);
    EXPECT_EQ(system->calls[0].code, 0x2D0944U);
    EXPECT_EQ(system->calls[0].in, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(system->calls[0].out_size, 0U);
    EXPECT_TRUE(system->closed.empty());
    hold.reset();
    EXPECT_EQ(system->closed.size(), 1U);  // closing turns notification back on

    system->mcn_error = 1;
    EXPECT_EQ(provider.suppress_media_notification('E'), nullptr);
    EXPECT_EQ(system->closed.size(), 2U);  // a refused request leaves nothing open
    system->open_error = 5;
    EXPECT_EQ(provider.suppress_media_notification('E'), nullptr);
}

// The transport's rules hold on this backend too: unit attentions are repeated, and a drive
// that vanishes is a failure, never a success.
TEST_F(WindowsBackend, TheTransportsRulesHold) {
    reset_drive_access();
    install_device_provider(std::make_shared<WindowsDeviceProvider>(system));
    ASSERT_TRUE(open_drive('E'));
    int attempts = 0;
    system->driver = [&attempts](SptdWithSense& b) {
        if (++attempts == 1) {
            b.sptd.scsi_status = kStatusCheckCondition;
            b.sense[0] = 0x70;
            b.sense[2] = 0x06;
            b.sense[12] = 0x29;
        }
        return 0U;
    };
    EXPECT_TRUE(send_command(CommandBlock{0x00}, DataDirection::NoData));
    EXPECT_EQ(attempts, 2);
    system->driver = [](SptdWithSense&) { return 1167U; };
    EXPECT_FALSE(send_command(CommandBlock{0x00}, DataDirection::NoData));
    EXPECT_EQ(drive_device().last_status, DeviceUnavailable);
    EXPECT_EQ(drive_device().undelivered_since_open, 1);
    reset_drive_access();
    install_device_provider(nullptr);
}

}  // namespace
}  // namespace qdu

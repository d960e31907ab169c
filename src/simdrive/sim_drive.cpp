#include "simdrive/sim_drive.h"

#include <algorithm>

#include "drive/scsi.h"

namespace qdu {

using namespace scsi;

namespace {

constexpr std::uint32_t kSettingsLength = 256;

constexpr std::uint8_t kInvalidOperationCode = 0x20;
constexpr std::uint8_t kInvalidFieldInCdb = 0x24;

constexpr std::size_t kMaxRecorded = 200000;

void put_text(std::vector<std::uint8_t>& data, std::size_t offset, std::size_t width,
              const std::string& text, std::uint8_t pad) {
    for (std::size_t i = 0; i < width; ++i) {
        data[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : pad;
    }
}

std::uint32_t be24(const CommandBlock& cdb, std::size_t at) {
    return (std::uint32_t{cdb[at]} << 16) | (std::uint32_t{cdb[at + 1]} << 8) | cdb[at + 2];
}

ScsiResult from_sense(const std::optional<SenseTriple>& sense) {
    return sense ? check_condition(sense->key, sense->asc, sense->ascq) : ScsiResult{};
}

}  // namespace

ScsiResult transfer_in(const ScsiRequest& request, const std::vector<std::uint8_t>& reply,
                       std::uint32_t allocation_length) {
    ScsiResult result;
    if (request.direction != DataDirection::DataIn) {
        return result;
    }
    const std::size_t n =
        std::min({reply.size(), request.data.size(), std::size_t{allocation_length}});
    std::copy_n(reply.begin(), n, request.data.begin());
    result.transferred = static_cast<std::uint32_t>(n);
    return result;
}

SimulatedDrive::SimulatedDrive(DriveProfile profile)
    : profile_(std::move(profile)),
      unit_attention_(Sense{kSenseUnitAttention, 0x29, 0x00}),
      settings_(profile_.settings, profile_.real_time_clarivox_supported,
                profile_.speed_limit_warning) {}

ScsiResult SimulatedDrive::execute(const ScsiRequest& request) {
    std::lock_guard lock(mutex_);
    if (received_.size() >= kMaxRecorded) {
        received_.erase(received_.begin(), received_.begin() + kMaxRecorded / 2);
    }
    received_.push_back(RecordedCommand::of(request));

    const std::uint8_t opcode = request.cdb[0];
    // INQUIRY and REQUEST SENSE are answered without reporting a pending unit attention.
    if (unit_attention_ && opcode != kInquiry && opcode != kRequestSense) {
        const Sense ua = *unit_attention_;
        unit_attention_.reset();
        return check_condition(ua.key, ua.asc, ua.ascq);
    }
    return dispatch(request);
}

ScsiResult SimulatedDrive::dispatch(const ScsiRequest& request) {
    switch (request.cdb[0]) {
        case kTestUnitReady: return test_unit_ready();
        case kRequestSense: return request_sense(request);
        case kInquiry: return inquiry(request);
        case kPreventAllowMediumRemoval: return prevent_allow_medium_removal(request);
        case kReadBuffer: return read_buffer(request);
        case kWriteBuffer: return write_buffer(request);
        case kSetCdSpeed: return set_cd_speed(request);
        default: return check_condition(kSenseIllegalRequest, kInvalidOperationCode, 0x00);
    }
}

std::vector<std::uint8_t> SimulatedDrive::inquiry_data() const {
    std::vector<std::uint8_t> data(96, 0);
    data[0] = 0x05;  // CD/DVD device
    data[1] = 0x80;  // removable medium
    data[2] = 0x05;  // SPC-3
    data[3] = 0x32;  // response data format 2, HiSup
    data[4] = static_cast<std::uint8_t>(data.size() - 5);
    put_text(data, 8, 8, profile_.vendor, ' ');
    put_text(data, 16, 16, profile_.product, ' ');
    put_text(data, 32, 4, profile_.revision, ' ');
    put_text(data, 36, 20, profile_.vendor_specific, 0);
    return data;
}

std::vector<std::uint8_t> SimulatedDrive::identification_data() const {
    std::vector<std::uint8_t> data(48, 0);
    put_text(data, 0, 16, "KVT-R42 ID", 0);
    put_text(data, 16, 16, profile_.identification_code, 0);
    put_text(data, 32, 16, profile_.identification_tail, 0);
    return data;
}

ScsiResult SimulatedDrive::inquiry(const ScsiRequest& request) {
    if ((request.cdb[1] & 0x01) != 0 || request.cdb[2] != 0) {
        return check_condition(kSenseIllegalRequest, kInvalidFieldInCdb, 0x00);  // no VPD pages
    }
    const std::uint32_t allocation = (std::uint32_t{request.cdb[3]} << 8) | request.cdb[4];
    return transfer_in(request, inquiry_data(), allocation);
}

ScsiResult SimulatedDrive::request_sense(const ScsiRequest& request) {
    std::vector<std::uint8_t> data(18, 0);
    const Sense sense = unit_attention_.value_or(Sense{0, 0, 0});
    unit_attention_.reset();
    const SenseData fixed = fixed_sense(sense.key, sense.asc, sense.ascq);
    std::copy(fixed.begin(), fixed.end(), data.begin());
    return transfer_in(request, data, request.cdb[4]);
}

ScsiResult SimulatedDrive::test_unit_ready() {
    return check_condition(kSenseNotReady, 0x3A, 0x01);  // medium not present, tray closed
}

ScsiResult SimulatedDrive::read_buffer(const ScsiRequest& request) {
    const std::uint8_t mode = request.cdb[1] & 0x1F;
    const std::uint8_t buffer_id = request.cdb[2];
    const std::uint32_t offset = be24(request.cdb, 3);
    const std::uint32_t allocation = be24(request.cdb, 6);
    if (!profile_.vendor_buffers || offset != 0) {
        return check_condition(kSenseIllegalRequest, kInvalidFieldInCdb, 0x00);
    }
    if (mode == kDataMode && buffer_id == kIdentificationBuffer) {
        return transfer_in(request, identification_data(), allocation);
    }
    if (mode == kVendorMode && buffer_id == kSettingsBuffer) {
        const auto block = settings_.block();
        return transfer_in(request, std::vector<std::uint8_t>(block.begin(), block.end()),
                           allocation);
    }
    return check_condition(kSenseIllegalRequest, kInvalidFieldInCdb, 0x00);
}

ScsiResult SimulatedDrive::write_buffer(const ScsiRequest& request) {
    const std::uint8_t mode = request.cdb[1] & 0x1F;
    const std::uint8_t buffer_id = request.cdb[2];
    const std::uint32_t offset = be24(request.cdb, 3);
    const std::uint32_t length = be24(request.cdb, 6);
    if (!profile_.vendor_buffers || offset != 0) {
        return check_condition(kSenseIllegalRequest, kInvalidFieldInCdb, 0x00);
    }
    if (mode == kVendorMode && buffer_id == kFunctionBuffer) {
        if (length != kSettingsLength || request.direction != DataDirection::DataOut ||
            request.data.size() < kSettingsLength) {
            return check_condition(kSenseIllegalRequest, 0x1A, 0x00);  // parameter list length
        }
        return from_sense(settings_.write_function(request.data.first(kSettingsLength)));
    }
    return check_condition(kSenseIllegalRequest, kInvalidFieldInCdb, 0x00);
}

ScsiResult SimulatedDrive::set_cd_speed(const ScsiRequest& request) {
    if (!profile_.vendor_buffers) {
        return ScsiResult{};  // another maker's drive takes the speeds and ignores byte 10
    }
    return from_sense(settings_.set_reading_mode(request.cdb[10]));
}

ScsiResult SimulatedDrive::prevent_allow_medium_removal(const ScsiRequest& request) {
    prevent_removal_ = (request.cdb[4] & 0x01) != 0;
    return ScsiResult{};
}

void SimulatedDrive::power_cycle() {
    std::lock_guard lock(mutex_);
    prevent_removal_ = false;
    settings_.power_cycle();
    unit_attention_ = Sense{kSenseUnitAttention, 0x29, 0x00};
}

bool SimulatedDrive::medium_removal_prevented() const {
    std::lock_guard lock(mutex_);
    return prevent_removal_;
}

bool SimulatedDrive::media_notification_suppressed() const {
    std::lock_guard lock(mutex_);
    return notification_suppressed_;
}

void SimulatedDrive::set_media_notification_suppressed(bool suppressed) {
    std::lock_guard lock(mutex_);
    notification_suppressed_ = suppressed;
}

SimulatedDriveMemory SimulatedDrive::memory() const {
    std::lock_guard lock(mutex_);
    return SimulatedDriveMemory{settings_.current(), settings_.saved(),
                                unit_attention_.has_value()};
}

void SimulatedDrive::restore(const SimulatedDriveMemory& memory) {
    std::lock_guard lock(mutex_);
    settings_.restore(memory.current, memory.saved);
    if (memory.power_on_attention) {
        unit_attention_ = Sense{kSenseUnitAttention, 0x29, 0x00};
    } else {
        unit_attention_.reset();
    }
}

DriveSettings SimulatedDrive::current_settings() const {
    std::lock_guard lock(mutex_);
    return settings_.current();
}

DriveSettings SimulatedDrive::saved_settings() const {
    std::lock_guard lock(mutex_);
    return settings_.saved();
}

std::vector<RecordedCommand> SimulatedDrive::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

void SimulatedDrive::clear_received() {
    std::lock_guard lock(mutex_);
    received_.clear();
}

}  // namespace qdu

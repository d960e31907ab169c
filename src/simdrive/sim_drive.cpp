#include "simdrive/sim_drive.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#include "drive/bytes.h"
#include "drive/scsi.h"

namespace qdu {

using namespace scsi;

namespace {

constexpr std::uint32_t kSettingsLength = 256;

constexpr std::uint8_t kInvalidOperationCode = 0x20;
constexpr std::uint8_t kInvalidFieldInCdb = 0x24;

constexpr std::size_t kMaxRecorded = 200000;
constexpr double kInsertSpinUpSeconds = 1.5;
constexpr std::uint32_t kMeasurementOffset = 0x300000;

void put_text(std::vector<std::uint8_t>& data, std::size_t offset, std::size_t width,
              const std::string& text, std::uint8_t pad) {
    for (std::size_t i = 0; i < width; ++i) {
        data[offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : pad;
    }
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

double system_clock_seconds() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

SimulatedDrive::SimulatedDrive(DriveProfile profile)
    : profile_(std::move(profile)),
      unit_attentions_{Sense{kSenseUnitAttention, 0x29, 0x00}},
      settings_(profile_.settings, profile_.real_time_clarivox_supported,
                profile_.speed_limit_warning) {
    disc_in_ = profile_.disc.has_value();
    tray_open_ = !disc_in_ && profile_.tray_open;
    if (profile_.disc) {
        counters_.errors = profile_.disc->start_errors;
        counters_.sectors = profile_.disc->start_sectors;
        counters_.time_code = profile_.disc->start_time_code;
    }
    start_spin_up();
}

void SimulatedDrive::start_spin_up() {
    const double now = clock_();
    counters_.since = now;
    disc_ready_ = false;
    if (!profile_.disc) {
        return;
    }
    const double spin_up = profile_.disc->spin_up_seconds;
    if (spin_up == 0.0) {
        disc_ready_ = true;  // in the drive since before power-on: ready without a change
    } else {
        ready_at_ = spin_up < 0 ? std::numeric_limits<double>::infinity() : now + spin_up;
    }
}

void SimulatedDrive::set_insert_after(double seconds) {
    std::lock_guard lock(mutex_);
    if (profile_.disc) {
        profile_.disc->insert_after = seconds;
    }
}

void SimulatedDrive::set_clock(SimClock clock) {
    std::lock_guard lock(mutex_);
    clock_ = std::move(clock);
    counters_.since = clock_();
    if (!disc_ready_ && profile_.disc && profile_.disc->spin_up_seconds > 0) {
        ready_at_ = clock_() + profile_.disc->spin_up_seconds;
    }
}

void SimulatedDrive::update_readiness() {
    // The user puts the disc back a while after the tray opened.
    if (tray_open_ && profile_.disc && !disc_in_ && clock_() >= insert_at_) {
        tray_open_ = false;
        disc_in_ = true;
        disc_ready_ = false;
        ready_at_ = clock_() + kInsertSpinUpSeconds;
    }
    if (disc_in() && !disc_ready_ && clock_() >= ready_at_) {
        disc_ready_ = true;
        counters_.since = clock_();
        unit_attentions_.push_back(Sense{kSenseUnitAttention, 0x28, 0x00});
    }
}

std::optional<ScsiResult> SimulatedDrive::medium_problem() const {
    if (!disc_in()) {
        return check_condition(kSenseNotReady, 0x3A, tray_open_ ? 0x02 : 0x01);
    }
    if (!disc_ready_) {
        return check_condition(kSenseNotReady, 0x04, 0x01);
    }
    return std::nullopt;
}

std::uint32_t SimulatedDrive::played_sectors() const {
    if (!disc_in() || !profile_.disc->audio_playing || !disc_ready_) {
        return 0;
    }
    const double seconds = std::max(0.0, clock_() - counters_.since);
    // A hair over, so that clocks summed from decimal steps land on whole sectors.
    return static_cast<std::uint32_t>(std::min(seconds * 75.0 + 1e-6, 4.0e9));
}

std::vector<std::uint8_t> SimulatedDrive::counters_reply() const {
    const std::uint32_t played = played_sectors();
    const double rate = profile_.disc ? profile_.disc->error_rate : 0.0;
    constexpr std::uint32_t kDiscFrames = 270000;  // playback goes round an hour-long disc
    const std::uint32_t values[3] = {
        counters_.errors + static_cast<std::uint32_t>(std::floor(played * rate)),
        counters_.sectors + played,
        played == 0 ? counters_.time_code : (counters_.time_code + played) % kDiscFrames};
    std::vector<std::uint8_t> data(32, 0);
    put_be32(data, 0, values[0]);
    put_be32(data, 4, values[1]);
    put_be32(data, 8, values[2]);
    return data;
}

ScsiResult SimulatedDrive::execute(const ScsiRequest& request) {
    std::lock_guard lock(mutex_);
    if (received_.size() >= kMaxRecorded) {
        received_.erase(received_.begin(), received_.begin() + kMaxRecorded / 2);
    }
    received_.push_back(RecordedCommand::of(request));

    update_readiness();
    const std::uint8_t opcode = request.cdb[0];
    // INQUIRY, REQUEST SENSE and GET CONFIGURATION are answered without reporting a pending
    // unit attention, which stays for the next command: hosts ask for the configuration to
    // learn about a changed disc before they get to the attention.
    if (!unit_attentions_.empty() && opcode != kInquiry && opcode != kRequestSense &&
        opcode != kGetConfiguration) {
        const Sense ua = unit_attentions_.front();
        unit_attentions_.pop_front();
        return check_condition(ua.key, ua.asc, ua.ascq);
    }
    return dispatch(request);
}

ScsiResult SimulatedDrive::dispatch(const ScsiRequest& request) {
    const std::uint8_t opcode = request.cdb[0];
    // Another maker's drive without vendor buffers does not know these commands at all.
    if (!profile_.vendor_buffers && (opcode == kReadBuffer || opcode == kWriteBuffer)) {
        return check_condition(kSenseIllegalRequest, kInvalidOperationCode, 0x00);
    }
    switch (opcode) {
        case kTestUnitReady: return test_unit_ready();
        case kRequestSense: return request_sense(request);
        case kInquiry: return inquiry(request);
        case kPreventAllowMediumRemoval: return prevent_allow_medium_removal(request);
        case kReadBuffer: return read_buffer(request);
        case kWriteBuffer: return write_buffer(request);
        case kSetCdSpeed: return set_cd_speed(request);
        case kReadDiscInformation: return read_disc_information(request);
        case kReadTocPmaAtip: return read_toc(request);
        case kReadDiscStructure: return read_disc_structure(request);
        case kGetConfiguration: return get_configuration(request);
        case kStartStopUnit: return start_stop_unit(request);
        case kReadTrackInformation: return read_track_information(request);
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
    Sense sense{0, 0, 0};
    if (!unit_attentions_.empty()) {
        sense = unit_attentions_.front();
        unit_attentions_.pop_front();
    }
    const SenseData fixed = fixed_sense(sense.key, sense.asc, sense.ascq);
    std::copy(fixed.begin(), fixed.end(), data.begin());
    return transfer_in(request, data, request.cdb[4]);
}

ScsiResult SimulatedDrive::test_unit_ready() {
    return medium_problem().value_or(ScsiResult{});
}

ScsiResult SimulatedDrive::read_disc_information(const ScsiRequest& request) {
    if (auto problem = medium_problem()) {
        return *problem;
    }
    const std::uint32_t allocation = (std::uint32_t{request.cdb[7]} << 8) | request.cdb[8];
    return transfer_in(request, disc_information_reply(*profile_.disc), allocation);
}

ScsiResult SimulatedDrive::read_toc(const ScsiRequest& request) {
    if (auto problem = medium_problem()) {
        return *problem;
    }
    const std::uint8_t format = request.cdb[2] & 0x0F;
    const std::uint32_t allocation = (std::uint32_t{request.cdb[7]} << 8) | request.cdb[8];
    if (format == 0x04) {
        const auto atip = atip_reply(*profile_.disc);
        if (atip.empty()) {
            return check_condition(kSenseIllegalRequest, kInvalidFieldInCdb, 0x00);
        }
        return transfer_in(request, atip, allocation);
    }
    if (format == 0x00) {
        const bool msf = (request.cdb[1] & 0x02) != 0;
        const auto toc = toc_reply(*profile_.disc, request.cdb[6], msf);
        if (toc.empty()) {
            return check_condition(kSenseIllegalRequest, kInvalidFieldInCdb, 0x00);
        }
        return transfer_in(request, toc, allocation);
    }
    return check_condition(kSenseIllegalRequest, kInvalidFieldInCdb, 0x00);
}

ScsiResult SimulatedDrive::read_disc_structure(const ScsiRequest& request) {
    if (auto problem = medium_problem()) {
        return *problem;
    }
    const std::uint32_t allocation = (std::uint32_t{request.cdb[8]} << 8) | request.cdb[9];
    const auto reply = disc_structure_reply(*profile_.disc, request.cdb[1] & 0x0F, request.cdb[7]);
    if (!reply) {
        return check_condition(kSenseIllegalRequest, 0x30, 0x02);  // incompatible format
    }
    return transfer_in(request, *reply, allocation);
}

ScsiResult SimulatedDrive::get_configuration(const ScsiRequest& request) {
    const std::uint16_t start = static_cast<std::uint16_t>((request.cdb[2] << 8) | request.cdb[3]);
    const std::uint32_t allocation = (std::uint32_t{request.cdb[7]} << 8) | request.cdb[8];
    const DiscSetup* disc = disc_in() && disc_ready_ ? &*profile_.disc : nullptr;
    return transfer_in(request, configuration_reply(disc, start), allocation);
}

ScsiResult SimulatedDrive::read_buffer(const ScsiRequest& request) {
    const std::uint8_t mode = request.cdb[1] & 0x1F;
    const std::uint8_t buffer_id = request.cdb[2];
    const std::uint32_t offset = read_be24(request.cdb, 3);
    const std::uint32_t allocation = read_be24(request.cdb, 6);
    if (mode == kDataMode && buffer_id == kMeasurementBuffer && offset == kMeasurementOffset) {
        return read_sample(request);
    }
    if (offset != 0) {
        return check_condition(kSenseIllegalRequest, kInvalidFieldInCdb, 0x00);
    }
    if (mode == kDataMode && buffer_id == kGeometryBuffer) {
        if (auto problem = medium_problem()) {
            return *problem;
        }
        std::vector<std::uint8_t> answer(32, 0);
        const auto lv = static_cast<std::uint32_t>(profile_.disc->linear_velocity * 16384.0);
        const auto tp = static_cast<std::uint32_t>(profile_.disc->track_pitch * 8192.0);
        put_be32(answer, 3, lv);
        put_be32(answer, 7, tp);
        return transfer_in(request, answer, allocation);
    }
    if (mode == kDataMode && buffer_id == kIdentificationBuffer) {
        return transfer_in(request, identification_data(), allocation);
    }
    if (mode == kDataMode && buffer_id == kCountersBuffer) {
        return transfer_in(request, counters_reply(), allocation);
    }
    if (mode == kDataMode && buffer_id == kRequestBuffer) {
        std::vector<std::uint8_t> answer(32, 0);
        if (request_[0] == 0x91 && request_[1] == 0x40) {
            if (auto problem = medium_problem()) {
                return *problem;
            }
            answer[0] = 0x91;
            answer[1] = 0x40;
            answer[6] = static_cast<std::uint8_t>(profile_.disc->media_code & 0xFF);
            answer[10] = static_cast<std::uint8_t>(profile_.disc->media_code >> 8);
        }
        return transfer_in(request, answer, allocation);
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
    const std::uint32_t offset = read_be24(request.cdb, 3);
    const std::uint32_t length = read_be24(request.cdb, 6);
    if (mode == kDataMode && buffer_id == kMeasurementBuffer && offset == kMeasurementOffset) {
        if (length != 32 || request.data.size() < 32) {
            return check_condition(kSenseIllegalRequest, 0x1A, 0x00);
        }
        return control_measurement(request);
    }
    if (offset != 0) {
        return check_condition(kSenseIllegalRequest, kInvalidFieldInCdb, 0x00);
    }
    if (mode == kDataMode && buffer_id == kGeometryBuffer) {
        if (length != 32 || request.data.size() < 32) {
            return check_condition(kSenseIllegalRequest, 0x1A, 0x00);
        }
        if (auto problem = medium_problem()) {
            return *problem;
        }
        std::copy_n(request.data.begin(), 32, geometry_request_.begin());
        return ScsiResult{};
    }
    if (mode == kVendorMode && buffer_id == kFunctionBuffer) {
        if (length != kSettingsLength || request.direction != DataDirection::DataOut ||
            request.data.size() < kSettingsLength) {
            return check_condition(kSenseIllegalRequest, 0x1A, 0x00);  // parameter list length
        }
        return from_sense(settings_.write_function(request.data.first(kSettingsLength)));
    }
    if (mode == kDataMode && buffer_id == kCountersBuffer) {
        // Any write clears; the host sends none of data.
        counters_.errors = 0;
        counters_.sectors = 0;
        const auto now = counters_reply();
        counters_.time_code = (std::uint32_t{now[8]} << 24) | (std::uint32_t{now[9]} << 16) |
                              (std::uint32_t{now[10]} << 8) | now[11];
        counters_.since = clock_();
        return ScsiResult{};
    }
    if (mode == kDataMode && buffer_id == kRequestBuffer) {
        if (length != request_.size() || request.data.size() < request_.size()) {
            return check_condition(kSenseIllegalRequest, 0x1A, 0x00);
        }
        std::copy_n(request.data.begin(), request_.size(), request_.begin());
        if (request_[0] == 0x91 && request_[1] == 0x60) {
            if (request_[2] > 2) {
                return check_condition(kSenseIllegalRequest, 0x26, 0x00);
            }
            check_mode_ = request_[2];
            if (check_mode_ != 1) {
                measuring_ = false;
            }
        }
        return ScsiResult{};
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

ScsiResult SimulatedDrive::start_stop_unit(const ScsiRequest& request) {
    const bool load_eject = (request.cdb[4] & 0x02) != 0;
    const bool start = (request.cdb[4] & 0x01) != 0;
    if (!load_eject) {
        return ScsiResult{};  // spinning up or down: nothing to simulate
    }
    if (!start) {
        if (prevent_removal_) {
            return check_condition(kSenseIllegalRequest, 0x53, 0x02);  // removal prevented
        }
        tray_open_ = true;
        measuring_ = false;
        if (disc_in_ && profile_.disc) {
            disc_in_ = false;
            disc_ready_ = false;
            const double after = profile_.disc->insert_after;
            insert_at_ = after < 0 ? std::numeric_limits<double>::infinity() : clock_() + after;
        }
        return ScsiResult{};
    }
    if (tray_open_) {
        tray_open_ = false;
        if (profile_.disc && !disc_in_) {
            disc_in_ = true;
            disc_ready_ = false;
            ready_at_ = clock_() + kInsertSpinUpSeconds;
        }
    }
    return ScsiResult{};
}

ScsiResult SimulatedDrive::read_track_information(const ScsiRequest& request) {
    if (auto problem = medium_problem()) {
        return *problem;
    }
    if ((request.cdb[1] & 0x03) != 0x01) {
        return check_condition(kSenseIllegalRequest, kInvalidFieldInCdb, 0x00);
    }
    const std::uint32_t track = (std::uint32_t{request.cdb[2]} << 24) |
                                (std::uint32_t{request.cdb[3]} << 16) |
                                (std::uint32_t{request.cdb[4]} << 8) | request.cdb[5];
    const auto reply = track_information_reply(*profile_.disc, track);
    if (reply.empty()) {
        return check_condition(kSenseIllegalRequest, kInvalidFieldInCdb, 0x00);
    }
    const std::uint32_t allocation = (std::uint32_t{request.cdb[7]} << 8) | request.cdb[8];
    return transfer_in(request, reply, allocation);
}

ScsiResult SimulatedDrive::control_measurement(const ScsiRequest& request) {
    if (auto problem = medium_problem()) {
        return *problem;
    }
    const auto& b = request.data;
    if (b[0] != 0xFF || b[1] != 0x02 || b[2] > 1 || check_mode_ != 1) {
        return check_condition(kSenseIllegalRequest, 0x26, 0x00);
    }
    if (b[2] == 1) {
        measuring_ = false;
        return ScsiResult{};
    }
    const std::uint32_t drive_addr = (std::uint32_t{b[3]} << 24) | (std::uint32_t{b[4]} << 16) |
                                     (std::uint32_t{b[5]} << 8) | b[6];
    const auto layout = track_layout(*profile_.disc);
    const std::uint32_t disc_end =
        layout.empty() ? 0 : layout.back().start + layout.back().length + 150;
    if (drive_addr < 0x6000 || drive_addr - 0x6000 > disc_end) {
        return check_condition(kSenseIllegalRequest, 0x21, 0x00);  // address out of range
    }
    measure_position_ = drive_addr - 0x6000;
    measuring_ = true;
    return ScsiResult{};
}

ScsiResult SimulatedDrive::read_sample(const ScsiRequest& request) {
    if (auto problem = medium_problem()) {
        return *problem;
    }
    if (!measuring_) {
        return check_condition(kSenseIllegalRequest, 0x2C, 0x00);  // command sequence error
    }
    const DiscSetup& disc = *profile_.disc;
    if (disc.sample_delay_ms > 0) {
        std::this_thread::sleep_for(
            std::chrono::duration<double, std::milli>(disc.sample_delay_ms));
    }
    const std::uint32_t pos = measure_position_;
    const auto defect = defect_at(disc, pos);
    if (defect == DefectKind::Unreadable ||
        (defect == DefectKind::Flaky && failed_once_.insert(pos).second)) {
        return check_condition(0x3, 0x11, 0x00);  // unrecovered read error
    }
    // Small, repeatable noise from the position, as a real disc has everywhere.
    const std::uint32_t noise = (pos * 2654435761U) >> 27;  // 0..31
    std::uint16_t minor = static_cast<std::uint16_t>(noise % 12);
    std::uint16_t major = 0;
    std::uint16_t aux_a = static_cast<std::uint16_t>(380 + noise * 3);
    std::uint16_t aux_b = static_cast<std::uint16_t>(12 + noise % 9);
    switch (defect.value_or(DefectKind::Unreadable)) {
        case DefectKind::LevelB: minor = static_cast<std::uint16_t>(30 + noise); break;
        case DefectKind::LevelC: major = static_cast<std::uint16_t>(1 + noise % 10); break;
        case DefectKind::LevelD: major = static_cast<std::uint16_t>(16 + noise); break;
        case DefectKind::AuxLevelD:
            aux_a = static_cast<std::uint16_t>(1141 + noise);
            aux_b = static_cast<std::uint16_t>(45 + noise);
            break;
        case DefectKind::Unreadable:
        case DefectKind::Flaky: break;
    }
    std::vector<std::uint8_t> reply(64, 0);
    put_be16(reply, 4, minor);
    put_be16(reply, 14, major);
    put_be32(reply, 18, pos);
    put_be32(reply, 22, disc.sample_frames);
    put_be16(reply, 60, aux_b);
    put_be16(reply, 62, aux_a);

    const auto layout = track_layout(disc);
    const std::uint32_t disc_end =
        layout.empty() ? pos : layout.back().start + layout.back().length + 149;
    measure_position_ = std::min(pos + disc.sample_frames, std::max(disc_end, pos));
    const std::uint32_t allocation = read_be24(request.cdb, 6);
    return transfer_in(request, reply, allocation);
}

bool SimulatedDrive::tray_open() const {
    std::lock_guard lock(mutex_);
    return tray_open_;
}

bool SimulatedDrive::disc_inserted() const {
    std::lock_guard lock(mutex_);
    return disc_in();
}

std::uint8_t SimulatedDrive::check_mode() const {
    std::lock_guard lock(mutex_);
    return check_mode_;
}

bool SimulatedDrive::measuring() const {
    std::lock_guard lock(mutex_);
    return measuring_;
}

void SimulatedDrive::power_cycle() {
    std::lock_guard lock(mutex_);
    prevent_removal_ = false;
    settings_.power_cycle();
    unit_attentions_.assign(1, Sense{kSenseUnitAttention, 0x29, 0x00});
    request_.fill(0);
    start_spin_up();
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
    bool power_on = false;
    for (const Sense& ua : unit_attentions_) {
        power_on = power_on || ua.asc == 0x29;
    }
    return SimulatedDriveMemory{settings_.current(), settings_.saved(), power_on, disc_ready_,
                                counters_};
}

void SimulatedDrive::restore(const SimulatedDriveMemory& memory) {
    std::lock_guard lock(mutex_);
    settings_.restore(memory.current, memory.saved);
    // Only the power-on reset is kept with the memory; a disc change seen by this process
    // stays pending.
    std::erase_if(unit_attentions_, [](const Sense& ua) { return ua.asc == 0x29; });
    if (memory.power_on_attention) {
        unit_attentions_.push_front(Sense{kSenseUnitAttention, 0x29, 0x00});
    }
    if (memory.disc_ready && profile_.disc) {
        disc_ready_ = true;
    }
    counters_ = memory.counters;
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

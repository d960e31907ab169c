#include "drive/discovery.h"

#include "drive/scsi.h"
#include "drive/text.h"
#include "drive/transport.h"

namespace qdu {

using namespace scsi;

namespace {

constexpr std::uint8_t kIdentificationLength = 48;
constexpr std::uint8_t kInquiryLength = 254;

void close_current_handle(char letter) {
    DriveDevice& device = drive_device();
    device.handle.reset();
    device.letter = letter;
}

}  // namespace

CommandBlock read_identification_buffer_command() {
    return CommandBlock{kReadBuffer, kDataMode, kIdentificationBuffer, 0, 0, 0,
                        0,           0,         kIdentificationLength, 0, 0, 0};
}

CommandBlock inquiry_command() {
    return CommandBlock{kInquiry, 0, 0, 0, kInquiryLength, 0, 0, 0, 0, 0, 0, 0};
}

CommandBlock allow_medium_removal_command() {
    return CommandBlock{kPreventAllowMediumRemoval, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}

bool read_identification_buffer(InquiryBuffer& buffer) {
    buffer.fill(0);
    return send_command(read_identification_buffer_command(), DataDirection::DataIn, buffer,
                        kIdentificationLength);
}

bool inquiry(InquiryBuffer& buffer) {
    buffer.fill(0);
    return send_command(inquiry_command(), DataDirection::DataIn, buffer, kInquiryLength);
}

bool allow_medium_removal() {
    return send_command(allow_medium_removal_command(), DataDirection::NoData);
}

ProbeRecord probe_identification(char letter) {
    ProbeRecord record;
    record.letter = letter;
    close_current_handle(letter);
    if (letter == 0) {
        return record;
    }
    record.device = device_provider().describe(letter).path;
    record.opened = open_drive(letter);
    DriveDevice& device = drive_device();
    record.open_error = device.open_error;
    record.open_message = device.open_message;
    record.node = device.node;
    if (!record.opened) {
        return record;
    }
    InquiryBuffer buffer{};
    record.answered = read_identification_buffer(buffer);
    if (!record.answered) {
        record.status = device.last_status;
        if (device.last_status == DeviceUnavailable) {
            record.failure = device.last_undelivered.detail;
        }
    }
    record.code = bytes_as_text(buffer, 16, 31);
    record.supported = is_supported_code(record.code);
    close_current_handle(letter);
    return record;
}

std::string probe_identification_code(char letter) {
    return probe_identification(letter).code;
}

std::string probe_drive_label(char letter, DriveEntry* fields) {
    close_current_handle(letter);
    if (letter == 0 || !open_drive(letter)) {
        return {};
    }
    InquiryBuffer buffer{};
    inquiry(buffer);
    std::string label;
    label.push_back(letter);
    label += " : ";
    label += bytes_as_text(buffer, 8, 44);
    if (fields != nullptr) {
        auto field = [&buffer](std::size_t first, std::size_t last) {
            std::string text = bytes_as_text(buffer, first, last);
            text.erase(text.find_last_not_of(' ') + 1);
            return text;
        };
        fields->vendor = field(8, 15);
        fields->product = field(16, 31);
        fields->revision = field(32, 35);
    }
    close_current_handle(letter);
    return label;
}

bool is_supported_code(std::string_view code) {
    return code.find(kCodeWithoutCheck) != std::string_view::npos ||
           code.find(kCodeWithCheck) != std::string_view::npos;
}

bool has_cd_check_code(std::string_view code) {
    return code.find(kCodeWithCheck) != std::string_view::npos;
}

void enumerate_drives(DriveList& list) {
    list.entries.clear();
    list.probes.clear();
    list.selected = -1;
    for (char letter = kFirstLetter; letter <= kLastLetter; ++letter) {
        ProbeRecord record = probe_identification(letter);
        const bool has_device = record.opened || record.open_error != OpenError::NotPresent;
        if (has_device) {
            list.probes.push_back(record);
        }
        if (record.code.empty() || !record.supported) {
            continue;
        }
        DriveEntry entry;
        entry.letter = letter;
        entry.cd_check_enabled = has_cd_check_code(record.code);
        entry.label = probe_drive_label(letter, &entry);
        entry.code = record.code;
        entry.device = record.device;
        entry.node = record.node;
        entry.note = record.open_message;
        list.entries.push_back(std::move(entry));
    }
    list.selected = list.entries.empty() ? -1 : 0;
    select_drive(list.entries.empty() ? 0 : list.entries.front().letter);
}

void select_drive(char letter) {
    open_drive(letter);
    allow_medium_removal();
}

std::string current_model_name() {
    InquiryBuffer buffer{};
    inquiry(buffer);
    std::string name = bytes_as_text(buffer, 8, 47);
    if (name.find(kModelName) != std::string::npos) {
        name = kModelName;
    }
    return name;
}

std::string model_of(const DriveEntry& entry) {
    return entry.product.find(kModelName) != std::string::npos ? std::string(kModelName)
                                                               : entry.product;
}

}  // namespace qdu

// Finding the supported drives among the letters C..Z and naming them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "drive/passthrough.h"

namespace qdu {

inline constexpr std::string_view kCodeWithoutCheck = "MXR 2750LC31";
inline constexpr std::string_view kCodeWithCheck = "MXR 2750LC58";
inline constexpr std::string_view kModelName = "KVT-R42";

inline constexpr char kFirstLetter = 'C';
inline constexpr char kLastLetter = 'Z';
inline constexpr std::size_t kMaxDriveEntries = 24;

using InquiryBuffer = std::array<std::uint8_t, 256>;

CommandBlock read_identification_buffer_command();
CommandBlock inquiry_command();
CommandBlock allow_medium_removal_command();

// Each clears the buffer and sends to the current drive; a failure leaves it cleared.
bool read_identification_buffer(InquiryBuffer& buffer);
bool inquiry(InquiryBuffer& buffer);
bool allow_medium_removal();

struct DriveEntry {
    char letter = 0;
    bool cd_check_enabled = false;
    std::string label;   // the selector item
    std::string device;  // what users know the device as ("/dev/sr1", "simulated")
    std::string node;    // what commands go through ("/dev/sg1", "simulated")
    std::string note;    // a limit found while opening it, or empty
    // What the label is made of, for records that keep the drive apart from its letter.
    std::string vendor;
    std::string product;
    std::string revision;
    std::string code;  // the identification code
};

// What the probe of one letter that has a device found, for telling the user why a drive
// is not listed.
struct ProbeRecord {
    char letter = 0;
    std::string device;
    std::string node;
    bool opened = false;
    OpenError open_error = OpenError::None;
    std::string open_message;
    bool answered = false;    // the identification buffer came back GOOD
    std::int32_t status = 0;  // last_status when it did not
    std::string failure;      // why the request did not reach the drive, if it did not
    std::string code;
    bool supported = false;
};

// The selector's items and the entries behind them; entry i is item i.
struct DriveList {
    std::vector<DriveEntry> entries;
    int selected = -1;
    std::vector<ProbeRecord> probes;  // letters that have a device, in letter order
};

ProbeRecord probe_identification(char letter);
std::string probe_identification_code(char letter);
// With `fields`, also its vendor, product and revision from the same INQUIRY.
std::string probe_drive_label(char letter, DriveEntry* fields = nullptr);
bool is_supported_code(std::string_view code);
bool has_cd_check_code(std::string_view code);
void enumerate_drives(DriveList& list);
void select_drive(char letter);
std::string current_model_name();
// The model a listed drive is, from discovery's own INQUIRY (no command): what settings files
// are for.
std::string model_of(const DriveEntry& entry);

}  // namespace qdu

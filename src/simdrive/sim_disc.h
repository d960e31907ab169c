// A disc in the simulated drive and what the drive reports of it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qdu {

struct TrackSetup {
    std::uint16_t session = 1;
    std::uint8_t control = 0;  // 0 audio, 1 audio with pre-emphasis, 4 data
    std::uint32_t length = 0;  // frames
};

// Flaky: the first read at each position fails, a second read there succeeds (a drive that
// needs one retry wherever it lands).
enum class DefectKind { LevelB, LevelC, LevelD, AuxLevelD, Unreadable, Flaky };

// A stretch of the disc, in check addresses (disc time MM:SS:FF).
struct Defect {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    DefectKind kind = DefectKind::LevelB;
};

struct DiscSetup {
    std::uint16_t media_code = 0x0000;  // as buffer E1h reports it (high byte in answer byte 10)
    int disc_status = 2;                // 0 empty, 1 incomplete, 2 complete, 3 other
    std::uint16_t sessions = 1;
    std::uint16_t first_track = 1;
    std::uint16_t last_track = 1;
    std::string manufacturer_id;    // DVD-R 12 bytes, DVD+R 8, BD 6
    std::string media_type_id;      // DVD+R and BD, 3 bytes
    std::string manufacturer_text;  // DVD-RAM and unknown kinds: physical format from byte 601
    std::array<std::uint8_t, 3> atip_lead_in{97, 24, 1};
    std::array<std::uint8_t, 3> atip_lead_out{79, 59, 71};
    bool write_protected = false;
    bool restricted_overwrite = false;  // CD-RW and DVD-RW in restricted overwrite mode
    double spin_up_seconds = 0.0;       // from power-on to ready; negative: never ready
    bool audio_playing = false;         // the drive plays audio and counts it
    double error_rate = 0.0;            // errors per played sector
    std::uint32_t start_errors = 0;
    std::uint32_t start_sectors = 0;
    std::uint32_t start_time_code = 0;
    // The tracks as READ TRACK INFORMATION reports them; empty: first_track..last_track only.
    std::vector<TrackSetup> track_list;
    std::vector<Defect> defects;
    double linear_velocity = 1.2;      // m/s, for the geometry probe
    double track_pitch = 1.6;          // µm
    double insert_after = 2.0;         // seconds after the tray opened until the user puts it back
    std::uint32_t sample_frames = 75;  // disc frames one measurement sample covers
    double sample_delay_ms = 0.0;      // how long the drive takes per sample
};

// Where each track lies: start LBA and length, sessions separated by lead-out and lead-in.
struct TrackLayout {
    std::uint32_t number = 0;
    std::uint16_t session = 1;
    std::uint8_t control = 0;
    std::uint32_t start = 0;
    std::uint32_t length = 0;
};
std::vector<TrackLayout> track_layout(const DiscSetup& disc);
std::vector<std::uint8_t> track_information_reply(const DiscSetup& disc, std::uint32_t track);
std::optional<DefectKind> defect_at(const DiscSetup& disc, std::uint32_t check_address);

// A named disc kind with fitting identifiers; the names are the scenario file's words.
std::optional<DiscSetup> disc_of_kind(std::string_view name);
std::vector<std::string_view> disc_kind_names();

enum class DiscFamily { Cd, Dvd, Bd, Unknown };
DiscFamily disc_family(std::uint16_t media_code);
// The MMC profile the drive reports as current for the disc.
std::uint16_t current_profile(const DiscSetup& disc);

std::vector<std::uint8_t> disc_information_reply(const DiscSetup& disc);
// READ TOC format 0 from `first_track` (0 means the first), addresses as LBA or MSF; empty
// when no track is that high.
std::vector<std::uint8_t> toc_reply(const DiscSetup& disc, std::uint8_t first_track, bool msf);
std::vector<std::uint8_t> atip_reply(const DiscSetup& disc);
// The structure of the given media type (0 DVD, 1 BD) and format, or nullopt when the disc
// has none of that kind.
std::optional<std::vector<std::uint8_t>> disc_structure_reply(const DiscSetup& disc,
                                                              std::uint8_t media_type,
                                                              std::uint8_t format);
// Features from the starting one, with the current profile; disc may be absent.
std::vector<std::uint8_t> configuration_reply(const DiscSetup* disc, std::uint16_t start);

}  // namespace qdu

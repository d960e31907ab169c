#include "simdrive/sim_disc.h"

#include <algorithm>
#include <array>

#include "drive/bytes.h"

namespace qdu {

namespace {

struct Kind {
    std::string_view name;
    std::uint16_t code;
};

// Every kind of the drive's media-code table. Manufacturer names are made up.
constexpr Kind kKinds[] = {
    {"cd-rom", 0x00},
    {"audio-cd", 0x00},
    {"cd-rw", 0x10},
    {"cd-r", 0x20},
    {"dvd-rom", 0x40},
    {"dvd-rom-dual", 0x44},
    {"dvd-rom-dual-opposite", 0x46},
    {"dvd-rw", 0x50},
    {"dvd+rw", 0x51},
    {"dvd-r", 0x60},
    {"dvd+r", 0x61},
    {"dvd-r-dual", 0x66},
    {"dvd+r-dual", 0x67},
    {"dvd-r-3.95gb", 0x68},
    {"dvd-ram", 0x70},
    {"bd-rom", 0x80},
    {"bd-rom-dual", 0x86},
    {"bd-re", 0x90},
    {"bd-re-dual", 0x96},
    {"bd-re-triple", 0x9A},
    {"bd-r", 0xA0},
    {"bd-r-dual", 0xA6},
    {"bd-r-triple", 0xAA},
    {"bd-r-quadruple", 0xAE},
    {"cd-r-audio", 0x20},
    {"mixed-mode-cd", 0x00},
    {"enhanced-cd", 0x00},
    {"pre-emphasis-cd", 0x00},
};

constexpr std::uint32_t kSessionGap = 11400;  // lead-out, lead-in and pregap between sessions

std::uint32_t msf(std::uint32_t m, std::uint32_t s, std::uint32_t f) {
    return m * 4500 + s * 75 + f;
}

// Twelve tracks, 74 minutes in all.
std::vector<TrackSetup> album(std::uint8_t control) {
    const std::uint32_t lengths[] = {msf(5, 12, 30), msf(6, 48, 0),  msf(4, 21, 45), msf(7, 3, 10),
                                     msf(5, 55, 60), msf(6, 2, 0),   msf(4, 47, 15), msf(8, 10, 5),
                                     msf(5, 33, 40), msf(6, 40, 70), msf(5, 18, 20), msf(7, 27, 0)};
    std::vector<TrackSetup> tracks;
    for (const std::uint32_t length : lengths) {
        tracks.push_back(TrackSetup{1, control, length});
    }
    return tracks;
}

void put(std::vector<std::uint8_t>& data, std::size_t at, const std::string& text,
         std::size_t width) {
    for (std::size_t i = 0; i < width && i < text.size() && at + i < data.size(); ++i) {
        data[at + i] = static_cast<std::uint8_t>(text[i]);
    }
}

bool is_dvd_minus(std::uint8_t c) {
    return c == 0x50 || c == 0x60 || c == 0x66 || c == 0x68;
}
bool is_dvd_plus(std::uint8_t c) {
    return c == 0x51 || c == 0x61 || c == 0x67;
}
bool is_recordable_cd(std::uint8_t c) {
    return c == 0x10 || c == 0x20;
}

}  // namespace

std::vector<std::string_view> disc_kind_names() {
    std::vector<std::string_view> names;
    for (const Kind& k : kKinds) {
        names.push_back(k.name);
    }
    return names;
}

std::optional<DiscSetup> disc_of_kind(std::string_view name) {
    for (const Kind& k : kKinds) {
        if (k.name != name) {
            continue;
        }
        DiscSetup disc;
        disc.media_code = k.code;
        const std::uint8_t c = k.code & 0xFF;
        if (is_dvd_minus(c)) {
            disc.manufacturer_id = "LUMORADISC01";
        } else if (is_dvd_plus(c)) {
            disc.manufacturer_id = "KESTRELM";
            disc.media_type_id = c == 0x51 ? "W08" : "R16";
        } else if (disc_family(k.code) == DiscFamily::Bd && c != 0x80 && c != 0x86) {
            disc.manufacturer_id = "VANTIX";
            disc.media_type_id = (c & 0xF0) == 0x90 ? "BE2" : "BR6";
        } else if (c == 0x70) {
            disc.manufacturer_text = "ORBELLE DVD-RAM 5X 4.7GB";
        }
        if (name == "audio-cd") {
            disc.track_list = album(0);
            disc.audio_playing = true;
            disc.error_rate = 0.0008;
        } else if (name == "cd-r-audio") {
            disc.track_list = album(0);
            disc.track_list.resize(10);
        } else if (name == "mixed-mode-cd") {
            disc.track_list = album(0);
            disc.track_list.resize(9);
            disc.track_list.front() = TrackSetup{1, 4, msf(20, 0, 0)};
        } else if (name == "enhanced-cd") {
            disc.track_list = album(0);
            disc.track_list.resize(10);
            disc.track_list.push_back(TrackSetup{2, 4, msf(8, 0, 0)});
            disc.sessions = 2;
        } else if (name == "pre-emphasis-cd") {
            disc.track_list = album(1);
            disc.track_list.resize(8);
        }
        if (!disc.track_list.empty()) {
            disc.first_track = 1;
            disc.last_track = static_cast<std::uint16_t>(disc.track_list.size());
        }
        return disc;
    }
    return std::nullopt;
}

DiscFamily disc_family(std::uint16_t media_code) {
    const std::uint8_t c = media_code & 0xFF;
    if (c == 0x00 || c == 0x10 || c == 0x20) {
        return DiscFamily::Cd;
    }
    if (c >= 0x40 && c <= 0x70) {
        return DiscFamily::Dvd;
    }
    if (c >= 0x80 && c <= 0xAE) {
        return DiscFamily::Bd;
    }
    return DiscFamily::Unknown;
}

std::uint16_t current_profile(const DiscSetup& disc) {
    switch (disc.media_code & 0xFF) {
        case 0x00: return 0x0008;
        case 0x10: return 0x000A;
        case 0x20: return 0x0009;
        case 0x40:
        case 0x44:
        case 0x46: return 0x0010;
        case 0x50: return disc.restricted_overwrite ? 0x0013 : 0x0014;
        case 0x51: return 0x001A;
        case 0x60:
        case 0x68: return 0x0011;
        case 0x61: return 0x001B;
        case 0x66: return 0x0015;
        case 0x67: return 0x002B;
        case 0x70: return 0x0012;
        case 0x80:
        case 0x86: return 0x0040;
        case 0x90:
        case 0x96:
        case 0x9A: return 0x0043;
        case 0xA0:
        case 0xA6:
        case 0xAA:
        case 0xAE: return 0x0041;
        default: return 0x0000;
    }
}

std::vector<TrackLayout> track_layout(const DiscSetup& disc) {
    std::vector<TrackLayout> layout;
    std::uint32_t start = 0;
    std::uint16_t session = 0;
    std::uint32_t number = disc.first_track;
    for (const TrackSetup& t : disc.track_list) {
        if (session != 0 && t.session != session) {
            start += kSessionGap;
        }
        session = t.session;
        layout.push_back(TrackLayout{number++, t.session, t.control, start, t.length});
        start += t.length;
    }
    return layout;
}

std::vector<std::uint8_t> track_information_reply(const DiscSetup& disc, std::uint32_t track) {
    for (const TrackLayout& t : track_layout(disc)) {
        if (t.number != track) {
            continue;
        }
        std::vector<std::uint8_t> data(36, 0);
        put_be16(data, 0, 34);
        data[2] = static_cast<std::uint8_t>(t.number & 0xFF);
        data[3] = static_cast<std::uint8_t>(t.session & 0xFF);
        data[5] = t.control;
        data[6] = (t.control & 0x04) != 0 ? 0x01 : 0x0F;  // data mode
        put_be32(data, 8, t.start);
        put_be32(data, 24, t.length);
        data[32] = static_cast<std::uint8_t>(t.number >> 8);
        data[33] = static_cast<std::uint8_t>(t.session >> 8);
        return data;
    }
    return {};
}

std::optional<DefectKind> defect_at(const DiscSetup& disc, std::uint32_t check_address) {
    for (const Defect& d : disc.defects) {
        if (check_address >= d.start && check_address <= d.end) {
            return d.kind;
        }
    }
    return std::nullopt;
}

std::vector<std::uint8_t> disc_information_reply(const DiscSetup& disc) {
    std::vector<std::uint8_t> data(34, 0);
    put_be16(data, 0, 32);  // length of the rest
    const std::uint8_t c = disc.media_code & 0xFF;
    const bool erasable = c == 0x10 || c == 0x50 || c == 0x51 || c == 0x70 || (c & 0xF0) == 0x90;
    const std::uint8_t last_session_state = disc.disc_status == 2 ? 3 : 0;
    data[2] = static_cast<std::uint8_t>((erasable ? 0x10 : 0) | (last_session_state << 2) |
                                        (disc.disc_status & 0x03));
    data[3] = static_cast<std::uint8_t>(disc.first_track);
    const auto layout = track_layout(disc);
    const std::uint16_t sessions = layout.empty() ? disc.sessions : layout.back().session;
    std::uint16_t last_session_first = disc.first_track;
    for (const TrackLayout& t : layout) {
        if (t.session != layout.back().session) {
            last_session_first = static_cast<std::uint16_t>(t.number + 1);
        }
    }
    data[4] = static_cast<std::uint8_t>(sessions & 0xFF);
    data[5] = static_cast<std::uint8_t>(last_session_first & 0xFF);
    data[6] = static_cast<std::uint8_t>(disc.last_track & 0xFF);
    data[7] = 0x20;  // unrestricted use
    data[9] = static_cast<std::uint8_t>(sessions >> 8);
    data[10] = static_cast<std::uint8_t>(last_session_first >> 8);
    data[11] = static_cast<std::uint8_t>(disc.last_track >> 8);
    return data;
}

std::vector<std::uint8_t> toc_reply(const DiscSetup& disc, std::uint8_t first_track, bool msf) {
    auto layout = track_layout(disc);
    if (layout.empty()) {
        // Without a track list every track is a data track of unknown extent.
        for (std::uint32_t n = disc.first_track; n <= disc.last_track; ++n) {
            layout.push_back(TrackLayout{n, 1, 0x04, 0, 0});
        }
    }
    if (layout.empty() || first_track > layout.back().number) {
        return {};
    }
    std::vector<std::uint8_t> data(4, 0);
    data[2] = static_cast<std::uint8_t>(layout.front().number);
    data[3] = static_cast<std::uint8_t>(layout.back().number);
    auto add = [&](std::uint8_t control, std::uint8_t number, std::uint32_t lba) {
        const std::size_t at = data.size();
        data.resize(at + 8, 0);
        data[at + 1] = static_cast<std::uint8_t>(0x10 | (control & 0x0F));  // ADR 1: position
        data[at + 2] = number;
        if (msf) {
            const std::uint32_t frames = lba + 150;
            data[at + 5] = static_cast<std::uint8_t>(frames / (60 * 75));
            data[at + 6] = static_cast<std::uint8_t>(frames / 75 % 60);
            data[at + 7] = static_cast<std::uint8_t>(frames % 75);
        } else {
            put_be32(data, at + 4, lba);
        }
    };
    for (const TrackLayout& t : layout) {
        if (t.number >= first_track) {
            add(t.control, static_cast<std::uint8_t>(t.number), t.start);
        }
    }
    const TrackLayout& last = layout.back();
    add(last.control, 0xAA, last.start + last.length);
    put_be16(data, 0, static_cast<std::uint16_t>(data.size() - 2));
    return data;
}

std::vector<std::uint8_t> atip_reply(const DiscSetup& disc) {
    if (!is_recordable_cd(disc.media_code & 0xFF)) {
        return {};
    }
    std::vector<std::uint8_t> data(28, 0);
    put_be16(data, 0, 26);
    data[4] = 0x80;  // indicative target writing power and friends, as drives report them
    data[6] = (disc.media_code & 0xFF) == 0x10 ? 0xC0 : 0x80;  // disc type bit for CD-RW
    data[8] = disc.atip_lead_in[0];
    data[9] = disc.atip_lead_in[1];
    data[10] = disc.atip_lead_in[2];
    data[12] = disc.atip_lead_out[0];
    data[13] = disc.atip_lead_out[1];
    data[14] = disc.atip_lead_out[2];
    return data;
}

std::optional<std::vector<std::uint8_t>> disc_structure_reply(const DiscSetup& disc,
                                                              std::uint8_t media_type,
                                                              std::uint8_t format) {
    const std::uint8_t c = disc.media_code & 0xFF;
    const DiscFamily family = disc_family(disc.media_code);
    const bool high_byte = (disc.media_code >> 8) != 0;
    std::vector<std::uint8_t> data(4096, 0);
    if (format == 0xC0) {
        if (family == DiscFamily::Cd) {
            return std::nullopt;
        }
        data.resize(8);
        put_be16(data, 0, 6);
        data[4] = disc.write_protected ? 0x04 : 0x00;  // persistent write protection
        return data;
    }
    if (media_type == 1) {
        if (family != DiscFamily::Bd || format != 0x00) {
            return std::nullopt;
        }
        put_be16(data, 0, 4096 - 2);
        data[4] = 'D';  // disc information unit identifier "DI"
        data[5] = 'I';
        put(data, 104, disc.manufacturer_id, 6);
        put(data, 110, disc.media_type_id, 3);
        return data;
    }
    // The drive keeps a manufacturer text for every code that has no identifier fields of
    // its own kind: DVD-RAM, codes with a high byte, and every low byte outside the known ones.
    static constexpr std::array<std::uint8_t, 22> kFieldKinds = {
        0x00, 0x10, 0x20, 0x40, 0x44, 0x46, 0x50, 0x51, 0x60, 0x61, 0x66,
        0x67, 0x68, 0x80, 0x86, 0x90, 0x96, 0x9A, 0xA0, 0xA6, 0xAA, 0xAE};
    const bool text_kind =
        high_byte || std::find(kFieldKinds.begin(), kFieldKinds.end(), c) == kFieldKinds.end();
    if (!text_kind && (family == DiscFamily::Cd || family == DiscFamily::Bd)) {
        return std::nullopt;
    }
    if (format == 0x0E) {
        if (!is_dvd_minus(c)) {
            return std::nullopt;
        }
        put_be16(data, 0, 4096 - 2);
        put(data, 21, disc.manufacturer_id, 6);
        put(data, 29, disc.manufacturer_id.size() > 6 ? disc.manufacturer_id.substr(6) : "", 6);
        return data;
    }
    if (format != 0x00) {
        return std::nullopt;
    }
    put_be16(data, 0, 4096 - 2);
    data[4] = (c == 0x70) ? 0x10 : 0x00;  // book type
    if (is_dvd_plus(c)) {
        put(data, 23, disc.manufacturer_id, 8);
        put(data, 31, disc.media_type_id, 3);
    }
    if (text_kind) {
        put(data, 601, disc.manufacturer_text, 160);
        data[601 + std::min<std::size_t>(disc.manufacturer_text.size(), 160)] = 0x0D;
    }
    return data;
}

std::vector<std::uint8_t> configuration_reply(const DiscSetup* disc, std::uint16_t start) {
    struct Feature {
        std::uint16_t code;
        bool current;
        std::vector<std::uint8_t> data;
    };
    const std::uint16_t profile = disc != nullptr ? current_profile(*disc) : 0;
    const DiscFamily family = disc != nullptr ? disc_family(disc->media_code) : DiscFamily::Unknown;
    const std::uint8_t c = disc != nullptr ? (disc->media_code & 0xFF) : 0xFF;

    std::vector<std::uint8_t> profiles;
    for (const std::uint16_t p : {0x0043, 0x0041, 0x0040, 0x002B, 0x001B, 0x001A, 0x0015, 0x0014,
                                  0x0013, 0x0012, 0x0011, 0x0010, 0x000A, 0x0009, 0x0008}) {
        profiles.push_back(static_cast<std::uint8_t>(p >> 8));
        profiles.push_back(static_cast<std::uint8_t>(p & 0xFF));
        profiles.push_back(p == profile ? 0x01 : 0x00);
        profiles.push_back(0x00);
    }
    const std::vector<Feature> features = {
        {0x0000, true, profiles},
        {0x0001, true, {0, 0, 0, 8, 0, 0, 0, 0}},
        {0x0003, true, {0x29, 0, 0, 0}},
        {0x0010, disc != nullptr, {0, 0, 8, 0, 0, 1, 0, 0}},
        {0x001E, family == DiscFamily::Cd, {0, 0, 0, 0}},
        {0x001F, family == DiscFamily::Dvd, {0, 0, 0, 0}},
        {0x0026, disc != nullptr && disc->restricted_overwrite && (c == 0x10 || c == 0x50), {}},
        {0x0040, family == DiscFamily::Bd, std::vector<std::uint8_t>(28, 0)},
        {0x0041, family == DiscFamily::Bd && c != 0x80 && c != 0x86,
         std::vector<std::uint8_t>(20, 0)},
    };

    std::vector<std::uint8_t> data(8, 0);
    put_be16(data, 6, profile);
    for (const Feature& f : features) {
        if (f.code < start) {
            continue;
        }
        data.push_back(static_cast<std::uint8_t>(f.code >> 8));
        data.push_back(static_cast<std::uint8_t>(f.code & 0xFF));
        data.push_back(static_cast<std::uint8_t>(0x02 | (f.current ? 0x01 : 0x00)));
        data.push_back(static_cast<std::uint8_t>(f.data.size()));
        data.insert(data.end(), f.data.begin(), f.data.end());
    }
    const std::uint32_t length = static_cast<std::uint32_t>(data.size() - 4);
    data[0] = static_cast<std::uint8_t>(length >> 24);
    data[1] = static_cast<std::uint8_t>(length >> 16);
    data[2] = static_cast<std::uint8_t>(length >> 8);
    data[3] = static_cast<std::uint8_t>(length);
    return data;
}

}  // namespace qdu

// Everything that reads a drive's reply, fed with any bytes: sense data, the settings block,
// the counters, every identifier source, disc and track information, geometry and samples.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "cdcheck/check_commands.h"
#include "cdcheck/grading.h"
#include "drive/text.h"
#include "drive/transport.h"
#include "settings/setting_commands.h"
#include "status/status_commands.h"

using namespace qdu;

namespace {

// The reply as the caller's zeroed buffer holds it: the drive's bytes, then zeros (a drive may
// answer short). Read byte by byte, independently of the readers under test.
struct Reply {
    const std::uint8_t* data;
    std::size_t size;
    unsigned at(std::size_t i) const { return i < size && i < 4096 ? data[i] : 0U; }
    std::uint32_t be(std::size_t i, int bytes) const {
        std::uint32_t v = 0;
        for (int k = 0; k < bytes; ++k) {
            v = (v << 8) | at(i + static_cast<std::size_t>(k));
        }
        return v;
    }
};

// Latin-1 text back from the readers' UTF-8, to compare with the bytes it came from.
std::string latin1_of(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            out.push_back(static_cast<char>(((c & 0x03) << 6) | (utf8[++i] & 0x3F)));
        } else {
            __builtin_trap();  // not what a Latin-1 byte becomes
        }
    }
    return out;
}

// Identifier fields: each byte as it is, a zero byte as '_'.
std::string field(const Reply& r, std::size_t first, std::size_t count) {
    std::string out;
    for (std::size_t i = first; i < first + count; ++i) {
        out.push_back(r.at(i) == 0 ? '_' : static_cast<char>(r.at(i)));
    }
    return out;
}

void check_agreement(const Reply& r, std::span<const std::uint8_t> reply) {
    const ClarivoxCounters c = counters_from(reply);
    if (c.error_count != r.be(0, 4) || c.sector_count != r.be(4, 4) ||
        c.last_time_code != r.be(8, 4)) {
        __builtin_trap();
    }
    if (latin1_of(bd_identifier(reply)) != field(r, 104, 9) ||
        latin1_of(dvd_plus_identifier(reply)) != field(r, 23, 11)) {
        __builtin_trap();
    }
    // Bytes 601 on, up to the first 0Dh or 00h and at most 32 characters.
    std::string text;
    for (std::size_t i = 601; i < 633 && r.at(i) != 0x0D && r.at(i) != 0x00; ++i) {
        text.push_back(static_cast<char>(r.at(i)));
    }
    if (latin1_of(manufacturer_text_identifier(reply)) != text) {
        __builtin_trap();
    }
    S_RAW_DATA sample{};
    sample_from_reply(reply, sample);
    if (sample.minor_errors != r.be(4, 2) || sample.major_errors != r.be(14, 2) ||
        sample.aux_b != r.be(60, 2) || sample.aux_a != r.be(62, 2) ||
        sample.span_valid == (r.be(22, 4) == 0xFFFFFFFFU) ||
        sample.aux_valid == (sample.aux_a == 0xFFFF || sample.aux_b == 0xFFFF)) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Replies are read from buffers the callers zero first, as large as the commands ask for.
    std::vector<std::uint8_t> reply(4096, 0);
    std::memcpy(reply.data(), data, std::min(size, reply.size()));

    check_agreement(Reply{data, size}, reply);

    const SenseData sense = normalize_sense(std::span<const std::uint8_t>(data, size));
    const std::int32_t status = classify_sense(sense);
    if (status < 0 || status > 11 || status == 3 || status == 4) {
        __builtin_trap();
    }

    SettingsBlock block{};
    std::copy_n(reply.begin(), block.size(), block.begin());
    const auto mode = static_cast<int>(reading_mode_of(block));
    const auto feature = static_cast<int>(reading_feature_of(block));
    const auto clarivox = static_cast<int>(clarivox_mode_of(block));
    if (mode > 3 || feature > 2 || clarivox > 2) {
        __builtin_trap();
    }

    const ClarivoxCounters counters = counters_from(reply);
    const int level = compute_error_level(counters);
    if (level < 0 || level > 8) {
        __builtin_trap();
    }
    (void)format_time_code(counters.last_time_code);
    (void)atip_identifier(reply);
    if (dvd_minus_identifier(reply).empty() || dvd_plus_identifier(reply).empty() ||
        bd_identifier(reply).empty()) {
        __builtin_trap();
    }
    (void)manufacturer_text_identifier(reply);
    (void)bytes_as_text(reply, 8, 47);

    S_RAW_DATA sample{};
    sample_from_reply(reply, sample);
    sample.read_ok = (size & 1) != 0;
    const CheckLevel graded = grade_sample(sample);
    if (graded != LevelA && graded != LevelB && graded != LevelC && graded != LevelD) {
        __builtin_trap();
    }
    return 0;
}

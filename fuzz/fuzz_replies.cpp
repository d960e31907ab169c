// Everything that reads a drive's reply, fed with any bytes: sense data, the settings block,
// the counters, every identifier source, disc and track information, geometry and samples.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "cdcheck/check_commands.h"
#include "cdcheck/grading.h"
#include "drive/text.h"
#include "drive/transport.h"
#include "settings/setting_commands.h"
#include "status/status_commands.h"

using namespace qdu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Replies are read from buffers the callers zero first, as large as the commands ask for.
    std::vector<std::uint8_t> reply(4096, 0);
    std::memcpy(reply.data(), data, std::min(size, reply.size()));

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

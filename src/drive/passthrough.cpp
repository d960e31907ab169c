#include "drive/passthrough.h"

#include <algorithm>

namespace qdu {

SenseData normalize_sense(std::span<const std::uint8_t> raw) {
    SenseData fixed{};
    if (raw.empty()) {
        return fixed;
    }
    const std::uint8_t response_code = raw[0] & 0x7F;
    if ((response_code == 0x72 || response_code == 0x73) && raw.size() >= 4) {
        // Descriptor format: key, ASC and ASCQ sit in bytes 1..3.
        fixed[0] = response_code == 0x72 ? 0x70 : 0x71;
        fixed[2] = raw[1] & 0x0F;
        fixed[7] = 10;
        fixed[12] = raw[2];
        fixed[13] = raw[3];
        return fixed;
    }
    std::copy_n(raw.begin(), std::min(raw.size(), fixed.size()), fixed.begin());
    return fixed;
}

}  // namespace qdu

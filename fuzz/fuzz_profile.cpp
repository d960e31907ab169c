// A settings file with any bytes in it: either every setting it yields is one qdu set takes,
// or it is refused with one line that says why. Never a crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/profile.h"
#include "settings/setting_names.h"

using namespace qdu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto wanted = parse_profile(text, "KVT-R42", error);
    if (!error.empty()) {
        if (!wanted.empty() || error.find_first_of("\r\n") != std::string::npos) {
            __builtin_trap();
        }
        return 0;
    }
    for (const auto& [setting, value] : wanted) {
        const SettableSetting* known = find_setting(setting);
        if (known == nullptr || !value_of(known->values, value)) {
            __builtin_trap();
        }
    }
    return 0;
}

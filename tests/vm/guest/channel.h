// The guest's line to the host: requests out, one answer line back for each.
#pragma once

#include <string>

#include "line_stream.h"

namespace qdu::vm {

class Channel {
public:
    // Opens the serial port in raw mode; throws std::runtime_error when it cannot.
    explicit Channel(const std::string& device);

    // Sends one request and returns the host's answer; throws when none comes in time.
    std::string ask(const std::string& request);

private:
    LineStream line_;
};

// The host's answers begin with OK or ERR.
inline bool answered_ok(const std::string& answer) {
    return answer.rfind("OK", 0) == 0;
}

}  // namespace qdu::vm

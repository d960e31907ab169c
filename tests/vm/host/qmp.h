// A QEMU machine-protocol client: one command at a time, events set aside.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "line_socket.h"

namespace qdu::vm {

struct QmpReply {
    bool ok = false;
    nlohmann::json value;  // "return" when ok
    std::string error;     // "error"."desc" otherwise, or why no reply came
};

class QmpClient {
public:
    explicit QmpClient(Fd fd) : socket_(std::move(fd)) {}

    // Reads the greeting and leaves capability negotiation.
    bool start(Clock::time_point deadline, std::string& error);
    QmpReply execute(const std::string& command, const nlohmann::json& arguments = nullptr,
                     std::chrono::seconds timeout = std::chrono::seconds(30));
    // Event names seen so far, oldest first.
    const std::vector<std::string>& events() const { return events_; }

private:
    LineStream socket_;
    std::vector<std::string> events_;
};

// The state of one drive from query-block.
struct TrayState {
    bool found = false;
    bool tray_open = false;
    bool locked = false;
    bool inserted = false;
    std::string file;
};
TrayState tray_state(const nlohmann::json& query_block, const std::string& device_id);

}  // namespace qdu::vm

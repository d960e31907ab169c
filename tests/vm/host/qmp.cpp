#include "qmp.h"

namespace qdu::vm {

bool QmpClient::start(Clock::time_point deadline, std::string& error) {
    const auto greeting = socket_.read_line(deadline);
    const auto message =
        greeting ? nlohmann::json::parse(*greeting, nullptr, false) : nlohmann::json();
    if (!message.is_object() || !message.contains("QMP")) {
        error = "no QMP greeting";
        return false;
    }
    const QmpReply reply = execute("qmp_capabilities");
    if (!reply.ok) {
        error = "qmp_capabilities: " + reply.error;
    }
    return reply.ok;
}

QmpReply QmpClient::execute(const std::string& command, const nlohmann::json& arguments,
                            std::chrono::seconds timeout) {
    nlohmann::json request{{"execute", command}};
    if (!arguments.is_null()) {
        request["arguments"] = arguments;
    }
    QmpReply reply;
    if (!socket_.write_line(request.dump())) {
        reply.error = "QMP connection lost";
        return reply;
    }
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const auto line = socket_.read_line(deadline);
        if (!line) {
            reply.error = socket_.closed() ? "QMP connection lost" : "no QMP reply in time";
            return reply;
        }
        const auto message = nlohmann::json::parse(*line, nullptr, false);
        if (message.is_discarded()) {
            continue;
        }
        if (message.contains("event")) {
            events_.push_back(message["event"].get<std::string>());
        } else if (message.contains("return")) {
            reply.ok = true;
            reply.value = message["return"];
            return reply;
        } else if (message.contains("error")) {
            reply.error = message["error"].value("desc", std::string("error"));
            return reply;
        }
    }
}

TrayState tray_state(const nlohmann::json& query_block, const std::string& device_id) {
    TrayState state;
    if (!query_block.is_array()) {
        return state;
    }
    for (const auto& block : query_block) {
        const std::string qdev = block.value("qdev", std::string());
        // Devices with an id are listed by it; others by their QOM path.
        if (qdev != device_id && qdev.find("/" + device_id + "/") == std::string::npos) {
            continue;
        }
        state.found = true;
        state.tray_open = block.value("tray_open", false);
        state.locked = block.value("locked", false);
        if (block.contains("inserted")) {
            state.inserted = true;
            state.file = block["inserted"].value("file", std::string());
        }
    }
    return state;
}

}  // namespace qdu::vm

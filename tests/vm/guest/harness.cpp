#include "harness.h"

#include <algorithm>
#include <exception>
#include <sstream>

namespace qdu::vm {

AttemptLog::AttemptLog() {
    set_command_observer([this](const CommandTrace& trace) {
        Attempt attempt;
        attempt.opcode = trace.cdb[0];
        attempt.delivered = trace.result.delivered();
        attempt.scsi_status = trace.result.scsi_status;
        attempt.sense = sense_code(trace.result.sense);
        attempt.status = trace.status;
        attempt.detail = trace.result.detail;
        attempts_.push_back(attempt);
    });
}

AttemptLog::~AttemptLog() {
    set_command_observer(nullptr);
}

std::string attempts_text(const std::vector<Attempt>& attempts) {
    std::string text;
    for (const Attempt& a : attempts) {
        if (!text.empty()) {
            text += ", ";
        }
        if (!a.delivered) {
            text += "not delivered (" + a.detail + ")";
        } else if (a.scsi_status == kStatusGood) {
            text += "GOOD";
        } else {
            text += sense_text(a.sense);
        }
    }
    return text.empty() ? "no command" : text;
}

namespace {

// Results travel as lines.
std::string one_line(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

}  // namespace

void Check::expect(bool condition, const std::string& what) {
    if (!condition) {
        failures_.push_back(one_line(what));
    }
}

void Check::note(const std::string& text) {
    notes_.push_back(one_line(text));
}

std::string Check::summary() const {
    const auto& lines = failures_.empty() ? notes_ : failures_;
    std::string text;
    for (const auto& line : lines) {
        text += (text.empty() ? "" : "; ") + line;
    }
    return text;
}

std::string Check::serialize() const {
    std::string text;
    for (const auto& f : failures_) {
        text += "F" + f + "\n";
    }
    for (const auto& n : notes_) {
        text += "N" + n + "\n";
    }
    return text;
}

void Check::merge(const std::string& serialized) {
    std::istringstream in(serialized);
    for (std::string line; std::getline(in, line);) {
        if (line.size() > 1 && line[0] == 'F') {
            failures_.push_back(line.substr(1));
        } else if (line.size() > 1 && line[0] == 'N') {
            notes_.push_back(line.substr(1));
        }
    }
}

void run_scenarios(Channel& host, const std::vector<Scenario>& scenarios) {
    std::string plan = "PLAN";
    for (const auto& s : scenarios) {
        plan += " " + s.name;
    }
    host.ask(plan);
    for (const auto& s : scenarios) {
        Check check;
        try {
            s.run(check);
        } catch (const std::exception& e) {
            check.expect(false, std::string("stopped: ") + e.what());
        }
        host.ask(std::string("RESULT ") + (check.passed() ? "PASS " : "FAIL ") + s.name + " " +
                 check.summary());
    }
}

}  // namespace qdu::vm

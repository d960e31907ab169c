// What the guest's scenarios share: a record of every command attempt our transport made,
// expectations that collect their failures, and the run that reports them to the host.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "channel.h"
#include "drive/trace.h"
#include "drive/transport.h"

namespace qdu::vm {

struct Attempt {
    std::uint8_t opcode = 0;
    bool delivered = false;
    std::uint8_t scsi_status = 0;
    SenseCode sense;
    std::int32_t status = 0;
    std::string detail;
};

// Records every attempt send_command makes while it lives.
class AttemptLog {
public:
    AttemptLog();
    ~AttemptLog();
    AttemptLog(const AttemptLog&) = delete;
    AttemptLog& operator=(const AttemptLog&) = delete;

    const std::vector<Attempt>& attempts() const { return attempts_; }
    void clear() { attempts_.clear(); }

private:
    std::vector<Attempt> attempts_;
};

// "GOOD", "6/28/00", "EPERM ..." for each attempt, joined by ", ".
std::string attempts_text(const std::vector<Attempt>& attempts);

class Check {
public:
    void expect(bool condition, const std::string& what);
    void note(const std::string& text);
    bool passed() const { return failures_.empty(); }
    // The failures when there are any, else the notes.
    std::string summary() const;
    // For carrying a check across a process boundary.
    std::string serialize() const;
    void merge(const std::string& serialized);

private:
    std::vector<std::string> failures_;
    std::vector<std::string> notes_;
};

struct Scenario {
    std::string name;
    std::function<void(Check&)> run;
};

// Plans the scenarios with the host, runs each in order and reports it. A scenario that
// throws fails with the exception's text.
void run_scenarios(Channel& host, const std::vector<Scenario>& scenarios);

}  // namespace qdu::vm

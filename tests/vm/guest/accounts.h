// Running part of a scenario as an ordinary user, and setting who may open a device node.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

#include "harness.h"

namespace qdu::vm {

struct Account {
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
};

// Runs `body` in a child process that has dropped to the account; what it expects comes back
// into `check`. The child starts with no drive open.
void run_as(const Account& account, Check& check, const std::function<void(Check&)>& body);

// chown and chmod; throws std::runtime_error when either fails.
void set_node_access(const std::string& path, uid_t owner, gid_t group, mode_t mode);

}  // namespace qdu::vm

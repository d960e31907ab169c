// Unix-socket plumbing for the host side: listening, and accepting with a deadline.
#pragma once

#include <string>

#include "line_stream.h"

namespace qdu::vm {

// Binds a listening socket at path (an old socket file there is removed first).
Fd listen_unix(const std::string& path, std::string& error);

// Waits for one connection until the deadline; an empty Fd on timeout or error.
Fd accept_until(const Fd& listener, Clock::time_point deadline, std::string& error);

}  // namespace qdu::vm

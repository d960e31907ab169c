// The terminal qdu writes to: whether there is one, and preparing it for UTF-8 text and
// colours (Windows consoles need both switched on).
#pragma once

namespace qdu::cli {

enum class Stream { In, Out, Err };

bool is_terminal(Stream stream);

// Call once at start. On Windows: UTF-8 output, and escape sequences for the streams that are
// consoles; returns false when colours cannot be shown there. Elsewhere: nothing to do.
bool prepare_console();

}  // namespace qdu::cli

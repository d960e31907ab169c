// A check that read the disc goes into the history when it ends, from the window and from qdu
// alike.
#pragma once

#include <optional>
#include <string>

#include "history/check_document.h"
#include "history/recorded_check.h"

namespace qdu {

struct KeptCheck {
    std::string comparison;  // with the last check of the disc, when there was one
    std::optional<Verdict> verdict;
    std::string error;  // why it was not kept, in one line
};

// Names the check's disc from the table of contents the check just read, then (when `history`
// is not empty) keeps it there, gives it its number and compares it with the last check of the
// same disc. The check goes on without a history: a history that cannot be used only says so.
KeptCheck keep_check(const std::string& history, RecordedCheck& check);

}  // namespace qdu

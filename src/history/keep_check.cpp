#include "history/keep_check.h"

#include "cdcheck/check_commands.h"
#include "drive/text.h"
#include "history/check_document.h"
#include "history/history_store.h"

namespace qdu {

KeptCheck keep_check(const std::string& history, RecordedCheck& check) {
    KeptCheck kept;
    check.disc = identify_disc(TrackTable());
    if (history.empty()) {
        return kept;
    }
    auto store = HistoryStore::open(history, kept.error);
    if (!store) {
        return kept;
    }
    try {
        std::optional<RecordedCheck> before;
        if (check.disc) {
            const auto earlier = store->list({check.disc->musicbrainz, ""});
            if (!earlier.empty()) {
                before = store->find(earlier.front().id);
            }
        }
        check.id = store->record(check);
        if (before) {
            kept.comparison = comparison_line(*before, check);
            kept.verdict = compare_checks(*before, check).verdict;
        }
    } catch (const std::exception& e) {
        kept.error = one_line(
            "the check could not be kept in the history " + history + " (" + e.what() + ")", ' ');
        check.id = 0;
    }
    return kept;
}

}  // namespace qdu

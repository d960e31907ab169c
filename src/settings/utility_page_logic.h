// The " Utility " page without a screen: restoring the factory settings.
#pragma once

#include "settings/page_state.h"

namespace qdu {

namespace utility_page {
inline constexpr int kRestoreButton = 1043;
inline constexpr int kPromptRestore = 145;
}  // namespace utility_page

class UtilityPageLogic {
public:
    explicit UtilityPageLogic(ConfirmPrompt confirm) : confirm_(std::move(confirm)) {}

    // The click of "Restore Factory Default": true when the user said OK and it was sent.
    bool click_restore();

private:
    ConfirmPrompt confirm_;
};

}  // namespace qdu

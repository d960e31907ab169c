#include "settings/utility_page_logic.h"

#include "settings/setting_commands.h"

namespace qdu {

bool UtilityPageLogic::click_restore() {
    if (!confirm_(utility_page::kPromptRestore)) {
        return false;
    }
    restore_factory_defaults();
    return true;
}

}  // namespace qdu

// The string table's texts as QStrings.
#pragma once

#include <QString>

#include "strings/strings.h"

namespace qdu {

inline QString qt_text(int string_id) {
    const std::string_view t = text(string_id);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

inline QString qt_control_text(int dialog_id, int control_id) {
    const std::string_view t = control_text(dialog_id, control_id);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

}  // namespace qdu

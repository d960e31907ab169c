// The program's icon (resource 128). Pictures at fixed sizes rather than the scalable drawing:
// they need no image plug-in, which a static build for Windows leaves out.
#pragma once

#include <QIcon>

namespace qdu {

inline QIcon program_icon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 256}) {
        icon.addFile(QStringLiteral(":/icons/quorvel-drive-utility-%1.png").arg(size),
                     QSize(size, size));
    }
    return icon;
}

}  // namespace qdu

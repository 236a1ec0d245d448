#include "shell/ProgramFolder.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace orbpix {

QString programFolder() {
    // /proc/self/exe names the binary even when it was started through a link or PATH.
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    const QString target = exe.symLinkTarget();
    if (!target.isEmpty())
        return QFileInfo(target).absolutePath();
    return QCoreApplication::applicationDirPath();
}

}  // namespace orbpix

#include "menuext/Selection.h"

#include <QDir>

#include "menuext/Handover.h"

namespace orbpix::menu {

Selection selectPictures(const QStringList& files, const QString& workingFolder) {
    Selection selection;
    const QDir base(workingFolder);
    for (const QString& file : files) {
        if (!isPicture(file))
            selection.leftOut.append(file + QStringLiteral(": not a picture type"));
        else if (!canHandOver(file))
            selection.leftOut.append(file +
                                     QStringLiteral(": a double quote or line break in the name"));
        else
            selection.pictures.append(QDir::cleanPath(base.absoluteFilePath(file)));
    }
    return selection;
}

}  // namespace orbpix::menu

#pragma once

#include <QString>
#include <QStringList>

namespace orbpix::menu {

// The selected files that go to the album program, made absolute against the working folder
// (the album program may start elsewhere), and those left out with the reason.
struct Selection {
    QStringList pictures;
    QStringList leftOut;  // "name: reason"
};
Selection selectPictures(const QStringList& files, const QString& workingFolder);

}  // namespace orbpix::menu

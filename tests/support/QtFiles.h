#pragma once

#include <QByteArray>
#include <QString>

#include "support/Files.h"
#include "support/TempFolder.h"

namespace orbpix::test {

// The same helpers for tests that name their files with the toolkit's strings.
QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& content);

class QtTempFolder {
public:
    QString root() const { return QString::fromStdString(m_folder.root()); }
    QString path(const QString& name) const { return root() + '/' + name; }

private:
    TempFolder m_folder;
};

}  // namespace orbpix::test

#include "support/QtFiles.h"

#include <QFile>

namespace orbpix::test {

QByteArray readFile(const QString& path) {
    const std::string bytes = readFile(QFile::encodeName(path).toStdString());
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

bool writeFile(const QString& path, const QByteArray& content) {
    return writeFile(QFile::encodeName(path).toStdString(),
                     std::string_view(content.constData(), std::size_t(content.size())));
}

}  // namespace orbpix::test

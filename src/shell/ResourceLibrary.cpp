#include "shell/ResourceLibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QResource>

namespace orbpix {

ResourceLibrary::~ResourceLibrary() {
    unload();
}

bool ResourceLibrary::load(const QString& folder) {
    unload();
    const QString file = QDir(folder).absoluteFilePath(QString::fromLatin1(kFileName));
    if (!QFileInfo::exists(file) || !QResource::registerResource(file))
        return false;
    QFile table(QStringLiteral("%1/texts.tsv").arg(QLatin1String(kRoot)));
    TextTable texts;
    if (!table.open(QIODevice::ReadOnly) || !texts.parse(QString::fromUtf8(table.readAll()))) {
        QResource::unregisterResource(file);
        return false;
    }
    m_file = file;
    m_texts = std::move(texts);
    return true;
}

void ResourceLibrary::unload() {
    if (m_file.isEmpty())
        return;
    QResource::unregisterResource(m_file);
    m_file.clear();
    m_texts = TextTable();
}

QString ResourceLibrary::bitmapPath(int id) {
    return QStringLiteral("%1/bitmaps/%2.bmp").arg(QLatin1String(kRoot)).arg(id);
}

QString ResourceLibrary::bitmapPath(const QString& name) {
    return QStringLiteral("%1/bitmaps/%2.bmp").arg(QLatin1String(kRoot), name);
}

ResourceLibrary& resourceLibrary() {
    static ResourceLibrary library;
    return library;
}

}  // namespace orbpix

#include "SkinOutput.h"

#include <QDir>
#include <QFile>

namespace skinart {
namespace {

QString rgb(const QColor& c) {
    return QStringLiteral("%1,%2,%3").arg(c.red()).arg(c.green()).arg(c.blue());
}

}  // namespace

void SkinOutput::picture(const QString& element, const QImage& image) {
    // Without an alpha channel the BMP writer stores 24 bits per pixel.
    m_pictures[element] = image.convertToFormat(QImage::Format_RGB32);
}

void SkinOutput::keyed(const QString& element, const QImage& image, const QColor& key) {
    picture(element, image);
    m_keys.emplace_back(element, key);
}

void SkinOutput::colour(const QString& element, const QColor& colour) {
    m_colours.emplace_back(element, colour);
}

void SkinOutput::tile(const QString& element, int corner) {
    m_tiles.emplace_back(element, corner);
}

QString SkinOutput::infoText() const {
    QString text = QStringLiteral("[Color]\r\n");
    for (const auto& [element, colour] : m_colours)
        text += element + QLatin1Char('=') + rgb(colour) + QStringLiteral("\r\n");
    text += QStringLiteral("\r\n[Transparency]\r\n");
    for (const auto& [element, key] : m_keys)
        text += element + QLatin1Char('=') + rgb(key) + QStringLiteral("\r\n");
    text += QStringLiteral("\r\n[Tile]\r\n");
    for (const auto& [element, corner] : m_tiles)
        text += element + QLatin1Char('=') + QString::number(corner) + QStringLiteral("\r\n");
    return text;
}

bool SkinOutput::write(const QString& folder) const {
    if (!QDir().mkpath(folder))
        return false;
    bool ok = true;
    for (const auto& [element, image] : m_pictures)
        ok = image.save(folder + QLatin1Char('/') + element + QStringLiteral(".bmp"), "BMP") && ok;
    QFile info(folder + QStringLiteral("/info.txt"));
    const QByteArray text = infoText().toLatin1();
    ok = info.open(QIODevice::WriteOnly) && info.write(text) == text.size() && ok;
    return ok;
}

}  // namespace skinart

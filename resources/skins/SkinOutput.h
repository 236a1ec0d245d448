// Collects a skin's pictures and info.txt entries and writes them into a skin folder.

#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <map>
#include <utility>
#include <vector>

namespace skinart {

class SkinOutput {
public:
    void picture(const QString& element, const QImage& image);
    // The element is drawn with this colour left out.
    void keyed(const QString& element, const QImage& image, const QColor& key);
    void colour(const QString& element, const QColor& colour);
    // Corner from which a tiled element is laid: 0 top-left, 1 top-right, 2 bottom-right,
    // 3 bottom-left.
    void tile(const QString& element, int corner);

    // "<element>.bmp" (24 bits per pixel) for every picture and "info.txt". False when a file
    // could not be written.
    bool write(const QString& folder) const;

private:
    QString infoText() const;

    std::map<QString, QImage> m_pictures;
    std::vector<std::pair<QString, QColor>> m_colours;
    std::vector<std::pair<QString, QColor>> m_keys;
    std::vector<std::pair<QString, int>> m_tiles;
};

}  // namespace skinart

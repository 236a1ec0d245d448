#include "skins/SkinProgress.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "skins/SkinAccess.h"
#include "skins/SkinCatalogue.h"

namespace orbpix {

namespace {

void fillColumns(QImage& surface, int from, int to, QRgb colour) {
    from = std::max(from, 0);
    to = std::min(to, surface.width());
    for (int y = 0; y < surface.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(surface.scanLine(y));
        std::fill(row + from, row + std::max(from, to), colour | 0xff000000);
    }
}

int channelAt(int start, int end, int band, int bands) {
    return static_cast<int>(std::trunc(start + band * static_cast<double>(end - start) / bands));
}

// The four colours of the bar, each colour element looked up the same way.
template <typename Lookup>
ProgressLook lookFrom(const Lookup& colourOf) {
    ProgressLook look;
    look.start = colourOf(QStringLiteral("PROGRESS_START"));
    look.end = colourOf(QStringLiteral("PROGRESS_END"));
    look.text = colourOf(QStringLiteral("PROGRESS_TXT"));
    look.background = colourOf(QStringLiteral("PROGRESS_BKG"));
    return look;
}

}  // namespace

int ProgressLook::paint(QImage& surface, int position, int maximum) const {
    const int width = surface.width();
    const int filled =
        maximum > 0 ? static_cast<int>(static_cast<double>(position) / maximum * width) : 0;
    int bands = 0;
    const int n =
        std::max({std::abs(qRed(end) - qRed(start)), std::abs(qGreen(end) - qGreen(start)),
                  std::abs(qBlue(end) - qBlue(start))});
    if (n == 0) {
        fillColumns(surface, 0, filled, start);
        fillColumns(surface, filled, width, background);
    } else {
        const double bandWidth = static_cast<double>(width) / n;
        for (int i = 0; i <= n; ++i) {
            const int left = static_cast<int>(i * bandWidth);
            const int right = static_cast<int>((i + 1) * bandWidth);
            fillColumns(surface, left, right,
                        qRgb(channelAt(qRed(start), qRed(end), i, n),
                             channelAt(qGreen(start), qGreen(end), i, n),
                             channelAt(qBlue(start), qBlue(end), i, n)));
            ++bands;
            if (right > filled) {
                // The filled part grows in whole bands; the rest is background.
                fillColumns(surface, right, width, background);
                break;
            }
        }
    }
    if (showPercentage && maximum > 0) {
        QPainter painter(&surface);
        painter.setPen(QColor(text));
        const double percent = position * 100.0 / maximum;
        painter.drawText(surface.rect(), Qt::AlignCenter | Qt::TextSingleLine,
                         QString::asprintf("%.0f%%", percent));
    }
    return bands;
}

SkinProgress::SkinProgress(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100);
    setTextVisible(false);
    m_look = lookFrom([](const QString& element) { return *catalogueColour(element); });
}

void SkinProgress::setLook(const ProgressLook& look) {
    m_look = look;
    setTextVisible(look.showPercentage);
    update();
}

void SkinProgress::loadSkinColours() {
    ProgressLook look = lookFrom(
        [](const QString& element) { return skinColor(element, *catalogueColour(element)); });
    look.showPercentage = m_look.showPercentage;
    setLook(look);
}

void SkinProgress::paintEvent(QPaintEvent*) {
    QImage surface(size(), QImage::Format_RGB32);
    surface.fill(m_look.background);
    // The bar measures from zero, as its platform counterpart did.
    m_look.paint(surface, value(), maximum());
    QPainter(this).drawImage(0, 0, surface);
}

}  // namespace orbpix

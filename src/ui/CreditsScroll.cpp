#include "ui/CreditsScroll.h"

#include <algorithm>

namespace orbpix {

int nextCreditsPosition(int position, ScrollKeys keys, int pictureHeight) {
    const int step = keys.control ? 8 : 1;
    const int next = keys.shift ? position - step : position + step;
    return next > pictureHeight ? kCreditsStart : next;
}

int creditsSourceRow(int position, int pictureHeight, int bandHeight) {
    const int lastRow = std::max(pictureHeight - bandHeight, 0);
    return std::clamp(position, 0, lastRow);
}

CreditsBlit creditsBlit(QSize picture, const QRect& band, int position) {
    if (picture.isEmpty() || band.isEmpty())
        return {};
    const int row = creditsSourceRow(position, picture.height(), band.height());
    // A picture wider than the band loses equal parts on both sides.
    const int left = band.left() + (band.width() - picture.width()) / 2;
    const QRect shown =
        QRect(QPoint(left, band.top()), QSize(picture.width(), picture.height() - row)) & band;
    if (shown.isEmpty())
        return {};
    return CreditsBlit{QRect(QPoint(shown.left() - left, row), shown.size()), shown.topLeft()};
}

QRect creditsBand(const QRect& frameControl) {
    return frameControl.adjusted(2, 2, -2, -2);
}

}  // namespace orbpix

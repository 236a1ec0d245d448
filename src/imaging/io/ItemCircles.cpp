#include "imaging/io/ItemCircles.h"

#include "imaging/CircleDetector.h"
#include "imaging/PixelImage.h"
#include "imaging/io/ImageFiles.h"

namespace orbpix {

std::optional<ItemCircles> detectItemCircles(const QString& path, QString* error) {
    const auto info = readImageFileInfo(path, error);
    if (!info)
        return std::nullopt;
    PixelImage fitted;
    if (!loadFitted(path, kDetectionBox, kDetectionBox, fitted, error))
        return std::nullopt;

    ItemCircles result;
    result.fullSize = QSize(info->width, info->height);
    result.fittedSize = QSize(fitted.width(), fitted.height());
    if (const auto found = detectRingCircles(fitted)) {
        const double scale = double(info->width) / fitted.width();
        result.circles = scaleRingCircles(*found, scale);
        result.detected = true;
        result.text = formatCirclesText(result.circles);
    } else {
        // What an item without circles reads back from its property.
        result.text = defaultCirclesText(info->width, info->height);
        result.circles = parseCirclesText(result.text).value_or(RingCircles{});
    }
    return result;
}

}  // namespace orbpix

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
    } else {
        result.circles = defaultRingCircles(info->width, info->height);
    }
    result.text = formatCirclesText(result.circles);
    return result;
}

}  // namespace orbpix

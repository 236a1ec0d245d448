#pragma once

#include <QSize>
#include <QString>
#include <optional>
#include <string>

#include "imaging/LensCircle.h"

namespace orbpix {

// The circles of one picture file as its item stores them.
struct ItemCircles {
    RingCircles circles;  // full-size pixels; the defaults when detection failed
    bool detected = false;
    QSize fullSize;
    QSize fittedSize;
    std::string text;  // the "CIRCLES" property
};

// Finds the circles of a picture: detection runs on the picture fitted into 800 × 800 and
// the result is scaled back; when detection fails the default circles are given. Nothing
// (and a message in error) when the picture cannot be read.
std::optional<ItemCircles> detectItemCircles(const QString& path, QString* error = nullptr);

}  // namespace orbpix

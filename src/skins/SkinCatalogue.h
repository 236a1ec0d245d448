#pragma once

#include <QRgb>
#include <QString>
#include <optional>

namespace orbpix {

// What a colour element of the catalogue is when the skin does not set it: a fixed colour,
// or one of the desktop's (highlight, highlighted text, button face). Nothing for a name
// that is no colour element.
std::optional<QRgb> catalogueColour(const QString& element);

}  // namespace orbpix

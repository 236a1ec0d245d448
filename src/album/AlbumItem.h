#pragma once

#include <optional>
#include <string>

#include "album/PropertyMap.h"
#include "core/ElevationLimits.h"

namespace orbpix {

// One picture of an album: the full path of its file and its named values.
struct AlbumItem {
    std::string path;
    PropertyMap properties;

    bool operator==(const AlbumItem& other) const = default;
};

// Names of the item properties the suite uses.
inline constexpr const char* kPropertyName = "NAME";
inline constexpr const char* kPropertyCircles = "CIRCLES";
inline constexpr const char* kPropertyReverse = "REVERSE";
inline constexpr const char* kPropertyColourCorrection = "CC";
inline constexpr const char* kPropertyFlatPath = "FLAT_PATH";

// The "REVERSE" value of a lens mounted normally or upside down: the flag, then the bottom
// and top elevations of the strip its unwrapper makes ("0,-64,26" and "1,-26,64"). The lens
// toggle writes the one and the other.
inline std::string reversePropertyText(bool reversed) {
    const ElevationLimits limits = reversed ? upsideDown(kNormalElevation) : kNormalElevation;
    return std::string(reversed ? "1," : "0,") + std::to_string(limits.bottom) + "," +
           std::to_string(limits.top);
}

// Only the flag, the value's first character, selects the upside-down mounting.
inline bool isReversedProperty(const std::optional<std::string>& value) {
    return value && !value->empty() && (*value)[0] == '1';
}

}  // namespace orbpix

#pragma once

#include <string>

#include "album/PropertyMap.h"

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

}  // namespace orbpix

#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/ElevationLimits.h"

namespace orbpix {

// The photo-sphere description ("GPano" XMP) of an unwrapped strip, so that photo sites and
// panorama viewers show it all around: the strip's width is the full turn, its rows the
// cropped band between its elevation limits of a full sphere twice as high as wide, and the
// first view looks at the strip's middle on the horizon.
struct PanoramaXmpFields {
    int fullWidth = 0;
    int fullHeight = 0;
    int croppedWidth = 0;
    int croppedHeight = 0;
    int croppedLeft = 0;
    int croppedTop = 0;
};
PanoramaXmpFields panoramaXmpFields(int width, int height, ElevationLimits limits);
std::string panoramaXmp(const PanoramaXmpFields& fields);

// The JPEG file with an XMP packet added as its own APP1 segment after the file's leading
// APP0 segment, if any. Nothing when the bytes do not start like a JPEG file or the packet
// does not fit one segment.
std::optional<std::vector<std::uint8_t>> withXmpPacket(std::span<const std::uint8_t> jpeg,
                                                       const std::string& xmp);

}  // namespace orbpix

#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imaging/PixelImage.h"

namespace orbpix::tourviewer {

enum class JpegResult { Ok, OutOfMemory, Invalid };

// Decodes a JPEG file held in memory into opaque 32-bit pixels (blue, green, red, 255), a
// grey picture's samples repeated into all three colours. A damaged or unsupported file
// gives Invalid with libjpeg's message in why; out gets a picture only on Ok.
[[nodiscard]] JpegResult decodeJpeg(std::span<const std::uint8_t> jpeg, PixelImage& out,
                                    std::string* why = nullptr);

}  // namespace orbpix::tourviewer

#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imaging/PixelImage.h"

namespace orbpix {

enum class JpegResult { Ok, OutOfMemory, Invalid };

// Decodes a JPEG file held in memory into opaque 32-bit pixels (blue, green, red, 255), a
// grey picture's samples repeated into all three colours. A damaged or unsupported file
// gives Invalid with libjpeg's message in why; out gets a picture only on Ok.
[[nodiscard]] JpegResult decodeJpeg(std::span<const std::uint8_t> jpeg, PixelImage& out,
                                    std::string* why = nullptr);

// Decodes a colour JPEG file at its full size straight into into's block (reused when large
// enough), with the pixels libjpeg gives any reader with its default settings. False, with
// into's pixels undefined, for anything else: a grey or four-colour file, and data the
// decoder had to make up or skip, which callers leave to a reader that reports it.
[[nodiscard]] bool decodeColourJpegFile(const std::string& path, PixelImage& into);

}  // namespace orbpix

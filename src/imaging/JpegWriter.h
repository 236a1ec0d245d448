#pragma once

#include <functional>
#include <string>

namespace orbpix {

class ByteStream;
class PixelImage;

// Receives the message of every failed JPEG encoding, from whichever thread encoded. The
// album shows it in a box titled "JPEG Error", orbpix prints it; without a handler it goes
// to stderr.
using JpegErrorHandler = std::function<void(const std::string& message)>;
void setJpegErrorHandler(JpegErrorHandler handler);

// The largest side a JPEG frame can have.
inline constexpr int kMaxJpegSide = 65500;

// Encodes the image as a baseline JPEG of the given quality (0…100) into out, which must
// accept writes. Whatever reached the stream stays there on failure; the stream is flushed
// but never closed. A failure has been reported through the error handler.
[[nodiscard]] bool encodeJpeg(const PixelImage& image, ByteStream& out, int quality);

}  // namespace orbpix

#pragma once

namespace orbpix {

class ByteStream;
class PixelImage;

// How a picture travels inside another stream: the plain pixel dump or a JPEG.
enum class ImageStreamForm { Raw, Jpeg };

// Writes the image in the given form; quality (0…100) matters for JPEG only.
[[nodiscard]] bool writeImage(const PixelImage& image, ByteStream& stream, ImageStreamForm form,
                              int quality);

}  // namespace orbpix

#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>

#include "imaging/Fitting.h"
#include "imaging/PixelImage.h"

namespace orbpix {

// What a picture file says about itself without being decoded.
struct ImageFileInfo {
    int formatCode = 0;  // 0 for formats outside the pattern table
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;  // 0 when the reader cannot tell before decoding
    int bytesPerRow = 0;
    std::int64_t fileSize = 0;
    int imageCount = 0;
};

// Reads the file information; nothing (and a message in error) when no installed reader
// understands the file.
std::optional<ImageFileInfo> readImageFileInfo(const QString& path, QString* error = nullptr);

// Fills a caller's record whose first 32-bit field holds the record's size in bytes: the
// rest is zeroed and then receives, as far as the declared size covers each whole field,
// the format code, width, height, bits per pixel, bytes per row, file size, image count and
// a reserved 0. A declared size beyond the record itself is cut to the record.
[[nodiscard]] bool readFileInfoRecord(const QString& path, std::span<std::uint32_t> record);

// Loads a picture fitted into maxWidth × maxHeight (kUnlimited for no limit on a side).
// JPEG pictures are decoded at a reduced scale when the box is much smaller. A picture at its
// full size is decoded into out's block when that is large enough; on failure out is empty.
[[nodiscard]] bool loadFitted(const QString& path, int maxWidth, int maxHeight, PixelImage& out,
                              QString* error = nullptr);

// Loads a picture fitted into the box as a 32-bit screen image (for thumbnails); a null
// image on failure. Safe on any thread.
QImage loadScreenImage(const QString& path, int maxWidth, int maxHeight, QString* error = nullptr);

// Saves in the format of a format code; quality (0..100, low 16 bits of the value) applies
// to lossy formats, any other value picks the writer's default.
[[nodiscard]] bool saveImage(const PixelImage& image, const QString& path, int formatCode,
                             int quality, QString* error = nullptr);

// Conversions between the suite's picture and Qt's. Both copy.
[[nodiscard]] bool pixelImageFromQImage(const QImage& image, PixelImage& out);
QImage qImageFromPixelImage(const PixelImage& image);

}  // namespace orbpix

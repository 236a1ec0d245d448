#include "imaging/io/ImageFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QThreadPool>
#include <algorithm>
#include <cstring>

#include "core/UncheckedWork.h"
#include "imaging/JpegDecoder.h"
#include "imaging/io/FormatPatterns.h"

namespace orbpix {

namespace {

void setError(QString* error, const QString& message) {
    if (error)
        *error = message;
}

int formatCodeForReaderFormat(const QByteArray& format) {
    if (format == "jpeg" || format == "jpg")
        return kFormatJpeg;
    if (format == "png")
        return kFormatPng;
    if (format == "bmp" || format == "dib")
        return kFormatBmp;
    if (format == "tiff" || format == "tif")
        return kFormatTiff;
    if (format == "tga")
        return kFormatTga;
    return 0;
}

QByteArray writerFormatForCode(int code) {
    switch (code) {
        case kFormatBmp:
            return "bmp";
        case kFormatJpeg:
            return "jpeg";
        case kFormatTiff:
            return "tiff";
        case kFormatPng:
            return "png";
        case kFormatTga:
            return "tga";
        default:
            return {};
    }
}

// Opens a reader and explains why a file cannot be read when it cannot.
bool openReader(QImageReader& reader, const QString& path, QString* error) {
    reader.setFileName(path);
    reader.setAutoTransform(false);
    const QFileInfo info(path);
    if (!info.exists()) {
        setError(error, QStringLiteral("\"%1\" does not exist").arg(path));
        return false;
    }
    if (!info.isFile() || !info.isReadable()) {
        setError(error, QStringLiteral("\"%1\" is not a readable file").arg(path));
        return false;
    }
    if (!reader.canRead()) {
        setError(error, QStringLiteral("\"%1\" is not a picture that any installed image reader "
                                       "understands (%2)")
                            .arg(path, reader.errorString()));
        return false;
    }
    return true;
}

// Qt's readers hand parts of a scaled decode to Qt's own thread pool. With one pooled
// thread in a ThreadSanitizer build, the pool's threads cannot meet each other in its queue;
// the hand-over to and from this thread is left unchecked.
void limitQtPoolUnderThreadChecks() {
#if defined(__SANITIZE_THREAD__)
    static const bool single = [] {
        QThreadPool::globalInstance()->setMaxThreadCount(1);
        return true;
    }();
    (void)single;
#endif
}

// Decodes a picture at its full size straight into a block of our own when the reader
// delivers the layout of a PixelImage anyway: a 24-megapixel ring is not copied once more.
// False when the reader would hand over another layout; nothing is decoded then.
bool decodeInto(QImageReader& reader, QSize size, PixelImage& into, QImage& image) {
    if (reader.imageFormat() != QImage::Format_RGB32 || !into.reshape(size.width(), size.height()))
        return false;
    image = QImage(into.bits(), size.width(), size.height(), qsizetype(into.stride()),
                   QImage::Format_RGB32);
    limitQtPoolUnderThreadChecks();
    [[maybe_unused]] const UncheckedWork insideQt;
    if (!reader.read(&image))
        image = QImage();
    return true;
}

// The picture fitted into the box as RGB32. With `direct`, a picture needing no scaling may
// be decoded into direct's block: the image returned then shows that block.
QImage readFitted(const QString& path, int maxWidth, int maxHeight, QString* error,
                  PixelImage* direct = nullptr) {
    QImageReader reader;
    if (!openReader(reader, path, error))
        return {};
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) {
        setError(error, QStringLiteral("\"%1\" does not state its picture size").arg(path));
        return {};
    }
    if (!PixelImage::isValidSize(size.width(), size.height())) {
        setError(error, QStringLiteral("\"%1\" is too large (%2 × %3 pixels)")
                            .arg(path)
                            .arg(size.width())
                            .arg(size.height()));
        return {};
    }
    const FitSize fit = fitIntoBox(size.width(), size.height(), maxWidth, maxHeight);
    // A sliver of a picture must still keep one row and one column.
    const QSize target(std::max(fit.width, 1), std::max(fit.height, 1));
    if (target != size) {
        reader.setScaledSize(target);
        // Asks the JPEG reader for its smooth scaler after the reduced-scale decode.
        reader.setQuality(75);
    }
    QImage image;
    // libjpeg hands a colour JPEG over in the picture's own layout; Qt's reader would decode
    // it to three bytes a pixel and spread them out again.
    if (direct && target == size && formatCodeForReaderFormat(reader.format()) == kFormatJpeg &&
        decodeColourJpegFile(QFile::encodeName(path).toStdString(), *direct) &&
        direct->width() == size.width() && direct->height() == size.height()) {
        image = QImage(direct->bits(), size.width(), size.height(), qsizetype(direct->stride()),
                       QImage::Format_RGB32);
    } else if (!direct || target != size || !decodeInto(reader, size, *direct, image)) {
        limitQtPoolUnderThreadChecks();
        [[maybe_unused]] const UncheckedWork insideQt;
        image = reader.read();
    }
    if (image.isNull()) {
        setError(error,
                 QStringLiteral("\"%1\" could not be decoded: %2").arg(path, reader.errorString()));
        return {};
    }
    if (image.size() != target)
        image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

std::optional<ImageFileInfo> readImageFileInfo(const QString& path, QString* error) {
    QImageReader reader;
    if (!openReader(reader, path, error))
        return std::nullopt;
    const QSize size = reader.size();
    if (!size.isValid()) {
        setError(error, QStringLiteral("\"%1\" does not state its picture size").arg(path));
        return std::nullopt;
    }
    ImageFileInfo info;
    info.formatCode = formatCodeForReaderFormat(reader.format());
    info.width = size.width();
    info.height = size.height();
    const QImage::Format format = reader.imageFormat();
    if (format != QImage::Format_Invalid)
        info.bitsPerPixel = QImage::toPixelFormat(format).bitsPerPixel();
    info.bytesPerRow = static_cast<int>(std::min<std::int64_t>(
        (std::int64_t{info.width} * info.bitsPerPixel + 31) / 32 * 4, INT32_MAX));
    info.fileSize = QFileInfo(path).size();
    info.imageCount = std::max(reader.imageCount(), 1);
    return info;
}

bool readFileInfoRecord(const QString& path, std::span<std::uint32_t> record) {
    if (record.empty())
        return false;
    const std::size_t declared = std::min<std::size_t>(record[0], record.size_bytes());
    const auto info = readImageFileInfo(path);
    if (!info)
        return false;
    // Only the bytes the caller declared belong to the record.
    if (declared > 4)
        std::memset(record.data() + 1, 0, declared - 4);
    const std::uint32_t values[8] = {
        static_cast<std::uint32_t>(info->formatCode),
        static_cast<std::uint32_t>(info->width),
        static_cast<std::uint32_t>(info->height),
        static_cast<std::uint32_t>(info->bitsPerPixel),
        static_cast<std::uint32_t>(info->bytesPerRow),
        static_cast<std::uint32_t>(std::min<std::int64_t>(info->fileSize, UINT32_MAX)),
        static_cast<std::uint32_t>(info->imageCount),
        0u,
    };
    for (std::size_t i = 0; i < 8; ++i) {
        if ((i + 2) * 4 > declared)
            break;
        record[i + 1] = values[i];
    }
    return true;
}

bool loadFitted(const QString& path, int maxWidth, int maxHeight, PixelImage& out, QString* error) {
    const QImage image = readFitted(path, maxWidth, maxHeight, error, &out);
    if (image.isNull()) {
        out.clear();
        return false;
    }
    if (image.constBits() == out.bits() && image.width() == out.width() &&
        image.height() == out.height() && image.format() == QImage::Format_RGB32)
        return true;
    if (!pixelImageFromQImage(image, out)) {
        out.clear();
        setError(error, QStringLiteral("Not enough memory for \"%1\"").arg(path));
        return false;
    }
    return true;
}

QImage loadScreenImage(const QString& path, int maxWidth, int maxHeight, QString* error) {
    return readFitted(path, maxWidth, maxHeight, error);
}

bool saveImage(const PixelImage& image, const QString& path, int formatCode, int quality,
               QString* error) {
    const QByteArray format = writerFormatForCode(formatCode);
    if (format.isEmpty() || !QImageWriter::supportedImageFormats().contains(format)) {
        setError(error, QStringLiteral("Pictures of format %1 cannot be written").arg(formatCode));
        return false;
    }
    if (image.isEmpty()) {
        setError(error, QStringLiteral("An empty picture cannot be saved"));
        return false;
    }
    const QImage qimage = qImageFromPixelImage(image);
    if (qimage.isNull()) {
        setError(error, QStringLiteral("Not enough memory to save \"%1\"").arg(path));
        return false;
    }
    QImageWriter writer(path, format);
    const int q = static_cast<std::int16_t>(quality & 0xFFFF);
    if (q >= 0 && q <= 100)
        writer.setQuality(q);
    if (!writer.write(qimage)) {
        setError(error,
                 QStringLiteral("\"%1\" could not be written: %2").arg(path, writer.errorString()));
        return false;
    }
    return true;
}

bool pixelImageFromQImage(const QImage& source, PixelImage& out) {
    const QImage image = source.format() == QImage::Format_RGB32
                             ? source
                             : source.convertToFormat(QImage::Format_RGB32);
    if (image.isNull() || !out.reshape(image.width(), image.height()))
        return false;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(out.row(y), image.constScanLine(y), out.stride());
    return true;
}

QImage qImageFromPixelImage(const PixelImage& image) {
    QImage result(image.width(), image.height(), QImage::Format_RGB32);
    if (result.isNull())
        return result;
    for (int y = 0; y < image.height(); ++y) {
        auto* dst = reinterpret_cast<std::uint32_t*>(result.scanLine(y));
        const std::uint8_t* src = image.row(y);
        // Format_RGB32 wants 0xFF in the fourth byte, which our pictures leave undefined.
        for (int x = 0; x < image.width(); ++x, src += 4)
            dst[x] =
                0xFF000000u | (std::uint32_t{src[2]} << 16) | (std::uint32_t{src[1]} << 8) | src[0];
    }
    return result;
}

}  // namespace orbpix

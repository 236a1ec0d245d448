#include "cli/CommandSupport.h"

#include <QFileInfo>
#include <charconv>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/Commands.h"
#include "core/ByteStream.h"
#include "imaging/JpegWriter.h"
#include "imaging/PixelImage.h"
#include "imaging/io/FormatPatterns.h"
#include "imaging/io/ImageFiles.h"

namespace orbpix::cli {

std::string str(const QString& s) {
    return s.toStdString();
}

int usageError(std::ostream& err, const std::string& command, const std::string& message) {
    err << "orbpix " << command << ": " << message << "\n"
        << "Try 'orbpix " << command << " --help'.\n";
    return kExitUsage;
}

bool isJpegSuffix(const QString& suffix) {
    return suffix.compare(QStringLiteral("jpg"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QStringLiteral("jpeg"), Qt::CaseInsensitive) == 0;
}

std::optional<int> parseQuality(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [next, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || next != end || value < 0 || value > 100)
        return std::nullopt;
    return value;
}

bool writeJpegFile(const PixelImage& image, const std::string& path, int quality) {
    bool ok = false;
    {
        auto stream = FileStream::open(path, FileStream::Mode::Create);
        if (!stream)
            return false;
        ok = encodeJpeg(image, *stream, quality);
    }
    if (!ok) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec))
            std::filesystem::remove(path, ec);
    }
    return ok;
}

std::optional<PictureOutput> pictureOutputFor(const std::string& path, std::string& error) {
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix();
    PictureOutput output;
    output.path = path;
    output.jpeg = isJpegSuffix(suffix);
    output.format = formatCodeForSuffix(suffix);
    if (!output.jpeg && output.format == 0) {
        error = "cannot tell the format of " + path + " from its extension";
        return std::nullopt;
    }
    return output;
}

bool applyQualityOption(const std::string& text, PictureOutput* output, std::string& error) {
    if (!output || !output->jpeg) {
        error = "--quality applies to .jpg and .jpeg output only";
        return false;
    }
    const auto quality = parseQuality(text);
    if (!quality) {
        error = "--quality wants a whole number from 0 to 100";
        return false;
    }
    output->quality = *quality;
    return true;
}

bool writePicture(const PixelImage& image, const PictureOutput& output, const std::string& command,
                  const std::string& what, std::ostream& err) {
    if (output.jpeg) {
        if (writeJpegFile(image, output.path, output.quality))
            return true;
        err << "orbpix " << command << ": the " << what << " could not be written to "
            << output.path << "\n";
        return false;
    }
    QString message;
    if (saveImage(image, QString::fromStdString(output.path), output.format, -1, &message))
        return true;
    err << "orbpix " << command << ": " << str(message) << "\n";
    return false;
}

}  // namespace orbpix::cli

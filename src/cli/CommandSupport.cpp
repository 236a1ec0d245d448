#include "cli/CommandSupport.h"

#include <charconv>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/Commands.h"
#include "core/ByteStream.h"
#include "imaging/JpegWriter.h"
#include "imaging/PixelImage.h"

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

}  // namespace orbpix::cli

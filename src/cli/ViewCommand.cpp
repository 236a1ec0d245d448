// orbpix view: one frame of the panorama view, as the album program's view would show it.

#include <QFileInfo>
#include <charconv>
#include <cmath>
#include <ostream>
#include <sstream>

#include "cli/Arguments.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "imaging/ColourAdjuster.h"
#include "imaging/io/FormatPatterns.h"
#include "imaging/io/ImageFiles.h"
#include "panorama/ViewControl.h"

namespace orbpix::cli {

namespace {

constexpr const char* kViewHelp =
    "Usage: orbpix view PANORAMA -o OUT --size WxH [--pitch P] [--yaw Y] [--focal F]\n"
    "                   [--limits TOP,BOTTOM] [--reverse] [--cc B,C,S] [--quality Q] [--json]\n"
    "\n"
    "Renders what a viewer in the middle of the panorama strip sees through a window of\n"
    "W x H pixels and writes it to OUT (format by extension). The view is kept in bounds as\n"
    "the picture view keeps it: yaw into (0, 360], pitch into -45..45, focal length at most\n"
    "1024 and at least half the window height. OUT is the window rounded up to a width that\n"
    "is a multiple of 16 and a height that is a multiple of 8.\n"
    "\n"
    "  -o, --output OUT      the picture to write\n"
    "  --size WxH            the window size in pixels\n"
    "  --pitch P             degrees below the horizon (default 30)\n"
    "  --yaw Y               degrees around the strip (default 0)\n"
    "  --focal F             distance to the view plane in pixels (default 256)\n"
    "  --limits TOP,BOTTOM   elevations of the strip's top and bottom rows (default 26,-64)\n"
    "  --reverse             the lens was mounted upside down: turn the view half round\n"
    "  --cc B,C,S            brightness, contrast and saturation of the display correction\n"
    "  --quality Q           JPEG quality from 0 to 100 (default 70); .jpg/.jpeg only\n"
    "  --json                print {\"pitch\":P,\"yaw\":Y,\"focal\":F,\"width\":W,\"height\":H}\n"
    "                        with the view as kept and the size written\n"
    "\n"
    "Exit status: 0 written, 1 bad arguments, 2 panorama unreadable, 4 the view could not\n"
    "be made or written.\n";

// The view renders on the calling thread: no window, no timer, no mouse.
class NoWindow final : public ViewControlHost {
public:
    int startTimer(int id, int) override { return id; }
    void killTimer(int) override {}
    void captureMouse() override {}
    void releaseMouse() override {}
    void takeFocus() override {}
    void invalidateAndUpdate() override {}
};

template <typename T>
std::optional<T> parseNumber(const std::string& text) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [next, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || next != end)
        return std::nullopt;
    return value;
}

// "A,B" or "AxB" as two integers.
std::optional<std::pair<int, int>> parsePair(const std::string& text, char separator) {
    const auto at = text.find(separator);
    if (at == std::string::npos)
        return std::nullopt;
    const auto first = parseNumber<int>(text.substr(0, at));
    const auto second = parseNumber<int>(text.substr(at + 1));
    if (!first || !second)
        return std::nullopt;
    return std::pair{*first, *second};
}

}  // namespace

int viewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string error;
    const OptionSet options{{"output", "size", "pitch", "yaw", "focal", "limits", "cc", "quality"},
                            {"reverse", "json", "help"},
                            {{'o', "output"}, {'h', "help"}}};
    const auto parsed = parseArguments(args, options, error);
    if (!parsed)
        return usageError(err, "view", error);
    if (parsed->has("help")) {
        out << kViewHelp;
        return kExitOk;
    }
    if (parsed->positionals.size() != 1)
        return usageError(err, "view", "expected exactly one panorama");
    const auto output = parsed->option("output");
    if (!output || output->empty())
        return usageError(err, "view", "the picture to write is missing (-o OUT)");
    const QString outPath = QString::fromStdString(*output);
    const QString outSuffix = QFileInfo(outPath).suffix();
    const bool jpegOutput = isJpegSuffix(outSuffix);
    const int outFormat = formatCodeForSuffix(outSuffix);
    if (!jpegOutput && outFormat == 0)
        return usageError(err, "view",
                          "cannot tell the format of " + *output + " from its extension");

    const auto sizeText = parsed->option("size");
    if (!sizeText)
        return usageError(err, "view", "the window size is missing (--size WxH)");
    const auto size = parsePair(*sizeText, 'x');
    if (!size || size->first <= 0 || size->second <= 0 || size->first > 16384 ||
        size->second > 16384)
        return usageError(err, "view", "--size wants WIDTHxHEIGHT, each from 1 to 16384");

    float pitch = 30, yaw = 0;
    int focal = 256;
    if (const auto text = parsed->option("pitch")) {
        const auto value = parseNumber<float>(*text);
        if (!value || !std::isfinite(*value))
            return usageError(err, "view", "--pitch wants a number of degrees");
        pitch = *value;
    }
    if (const auto text = parsed->option("yaw")) {
        const auto value = parseNumber<float>(*text);
        if (!value || !std::isfinite(*value))
            return usageError(err, "view", "--yaw wants a number of degrees");
        yaw = *value;
    }
    if (const auto text = parsed->option("focal")) {
        const auto value = parseNumber<int>(*text);
        if (!value)
            return usageError(err, "view", "--focal wants a whole number of pixels");
        focal = *value;
    }
    std::optional<std::pair<int, int>> limits;
    if (const auto text = parsed->option("limits")) {
        limits = parsePair(*text, ',');
        if (!limits)
            return usageError(err, "view", "--limits wants two whole numbers TOP,BOTTOM");
    }
    std::optional<ColourCorrection> correction;
    if (const auto text = parsed->option("cc")) {
        correction = parseColourCorrection(*text);
        if (!correction)
            return usageError(err, "view",
                              "--cc wants three whole numbers BRIGHTNESS,CONTRAST,SATURATION");
    }
    int quality = kDefaultJpegQuality;
    if (const auto text = parsed->option("quality")) {
        const auto value = parseQuality(*text);
        if (!jpegOutput)
            return usageError(err, "view", "--quality applies to .jpg and .jpeg output only");
        if (!value)
            return usageError(err, "view", "--quality wants a whole number from 0 to 100");
        quality = *value;
    }

    const QString inPath = QString::fromStdString(parsed->positionals[0]);
    QString message;
    PixelImage panorama;
    if (!loadFitted(inPath, kUnlimited, kUnlimited, panorama, &message)) {
        err << "orbpix view: " << str(message) << "\n";
        return kExitUnreadable;
    }

    NoWindow window;
    PanoramaViewControl control(window);
    control.attached(nullptr, size->first, size->second);
    if (limits)
        control.setElevationLimits(limits->second, limits->first);
    if (parsed->has("reverse"))
        control.setReverse(-1);
    if (!control.setPicture(panorama.bits(), panorama.width(), panorama.height(), false)) {
        err << "orbpix view: the panorama is too large to view\n";
        return kExitFailed;
    }
    control.setView(pitch, yaw, focal, false);
    if (correction) {
        // As the display does: each pass only when its values change anything.
        control.setBrightnessContrast(correction->brightness, correction->contrast);
        control.setSaturation(correction->saturation);
        control.enableToneTable(correction->brightness != 0 || correction->contrast != 0);
        control.enableMatrix(correction->saturation != 0);
    }
    PanoramaRenderer& renderer = control.renderer();
    if (renderer.render() != 0) {
        err << "orbpix view: not enough memory for a " << size->first << " x " << size->second
            << " view\n";
        return kExitFailed;
    }
    renderer.applyActiveColour();
    const PixelImage& frame = renderer.output();
    if (jpegOutput) {
        if (!writeJpegFile(frame, *output, quality)) {
            err << "orbpix view: the view could not be written to " << *output << "\n";
            return kExitFailed;
        }
    } else if (!saveImage(frame, outPath, outFormat, -1, &message)) {
        err << "orbpix view: " << str(message) << "\n";
        return kExitFailed;
    }
    if (parsed->has("json")) {
        std::ostringstream json;
        json.precision(9);
        json << "{\"pitch\":" << control.pitch() << ",\"yaw\":" << control.yaw()
             << ",\"focal\":" << control.focal() << ",\"width\":" << frame.width()
             << ",\"height\":" << frame.height() << "}\n";
        out << json.str();
    }
    return kExitOk;
}

}  // namespace orbpix::cli

// orbpix view: one frame of the panorama view, as the album program's view would show it.

#include <QString>
#include <charconv>
#include <cmath>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>

#include "cli/Arguments.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "core/ElevationLimits.h"
#include "imaging/ColourAdjuster.h"
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
    "  --reverse             the lens was mounted upside down: turn the view half round.\n"
    "                        A strip written by \"orbpix unwrap --reverse\" needs it too (or\n"
    "                        --limits 64,-26), as the album program shows such pictures\n"
    "  --cc B,C,S            brightness, contrast and saturation of the display correction\n"
    "  --quality Q           JPEG quality from 0 to 100 (default 70); .jpg/.jpeg only\n"
    "  --json                print {\"pitch\":P,\"yaw\":Y,\"focal\":F,\"width\":W,\"height\":H}\n"
    "                        with the view as shown (the pitch kept within the strip's\n"
    "                        limits) and the size written\n"
    "\n"
    "Exit status: 0 written, 1 bad arguments, 2 panorama unreadable, 4 the view could not\n"
    "be made or written.\n";

// The help names the view's default limits in words.
static_assert(kNormalElevation == ElevationLimits{26, -64}, "update --limits in the view help");

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

// What "orbpix view" was asked to do.
struct ViewOptions {
    bool help = false;
    std::string panorama;
    PictureOutput output;
    int windowWidth = 0;
    int windowHeight = 0;
    float pitch = 30;
    float yaw = 0;
    int focal = 256;
    std::optional<ElevationLimits> limits;  // the view's own when not given
    std::optional<ColourCorrection> correction;
    bool reverse = false;
    bool json = false;
};

// The picture to write and its format; false with a message when missing or unknown.
bool parseViewOutput(const ParsedArguments& parsed, ViewOptions& options, std::string& error) {
    const auto output = parsed.option("output");
    if (!output || output->empty()) {
        error = "the picture to write is missing (-o OUT)";
        return false;
    }
    const auto picture = pictureOutputFor(*output, error);
    if (picture)
        options.output = *picture;
    return picture.has_value();
}

bool parseWindowSize(const ParsedArguments& parsed, ViewOptions& options, std::string& error) {
    const auto text = parsed.option("size");
    if (!text) {
        error = "the window size is missing (--size WxH)";
        return false;
    }
    const auto size = parsePair(*text, 'x');
    if (!size || size->first <= 0 || size->second <= 0 || size->first > 16384 ||
        size->second > 16384) {
        error = "--size wants WIDTHxHEIGHT, each from 1 to 16384";
        return false;
    }
    options.windowWidth = size->first;
    options.windowHeight = size->second;
    return true;
}

// --pitch, --yaw and --focal.
bool parseViewAngles(const ParsedArguments& parsed, ViewOptions& options, std::string& error) {
    const auto degrees = [&](const char* name, float& value) {
        const auto text = parsed.option(name);
        if (!text)
            return true;
        const auto number = parseNumber<float>(*text);
        if (!number || !std::isfinite(*number)) {
            error = std::string("--") + name + " wants a number of degrees";
            return false;
        }
        value = *number;
        return true;
    };
    if (!degrees("pitch", options.pitch) || !degrees("yaw", options.yaw))
        return false;
    if (const auto text = parsed.option("focal")) {
        const auto value = parseNumber<int>(*text);
        if (!value) {
            error = "--focal wants a whole number of pixels";
            return false;
        }
        options.focal = *value;
    }
    return true;
}

// --limits, --cc and --quality.
bool parseViewLooks(const ParsedArguments& parsed, ViewOptions& options, std::string& error) {
    if (const auto text = parsed.option("limits")) {
        const auto pair = parsePair(*text, ',');
        if (!pair) {
            error = "--limits wants two whole numbers TOP,BOTTOM";
            return false;
        }
        options.limits = ElevationLimits{pair->first, pair->second};
    }
    if (const auto text = parsed.option("cc")) {
        options.correction = parseColourCorrection(*text);
        if (!options.correction) {
            error = "--cc wants three whole numbers BRIGHTNESS,CONTRAST,SATURATION";
            return false;
        }
    }
    if (const auto text = parsed.option("quality"))
        return applyQualityOption(*text, &options.output, error);
    return true;
}

std::optional<ViewOptions> parseViewOptions(const std::vector<std::string>& args,
                                            std::string& error) {
    const OptionSet known{{"output", "size", "pitch", "yaw", "focal", "limits", "cc", "quality"},
                          {"reverse", "json", "help"},
                          {{'o', "output"}, {'h', "help"}}};
    const auto parsed = parseArguments(args, known, error);
    if (!parsed)
        return std::nullopt;
    ViewOptions options;
    options.help = parsed->has("help");
    if (options.help)
        return options;
    if (parsed->positionals.size() != 1) {
        error = "expected exactly one panorama";
        return std::nullopt;
    }
    options.panorama = parsed->positionals[0];
    if (!parseViewOutput(*parsed, options, error) || !parseWindowSize(*parsed, options, error) ||
        !parseViewAngles(*parsed, options, error) || !parseViewLooks(*parsed, options, error))
        return std::nullopt;
    options.reverse = parsed->has("reverse");
    options.json = parsed->has("json");
    return options;
}

// Sets the control up as the album program's view would be for these options; false when
// the panorama is too large to view.
bool setUpView(const ViewOptions& options, const PixelImage& panorama,
               PanoramaViewControl& control) {
    control.attached(nullptr, options.windowWidth, options.windowHeight);
    if (options.limits)
        control.setElevationLimits(*options.limits);
    if (options.reverse)
        control.setReverse(-1);
    if (!control.setPicture(panorama.bits(), panorama.width(), panorama.height(), false))
        return false;
    control.setView(options.pitch, options.yaw, options.focal, false);
    if (const auto& correction = options.correction) {
        // As the display does: each pass only when its values change anything.
        control.setBrightnessContrast(correction->brightness, correction->contrast);
        control.setSaturation(correction->saturation);
        control.enableToneTable(correction->brightness != 0 || correction->contrast != 0);
        control.enableMatrix(correction->saturation != 0);
    }
    return true;
}

int view(const ViewOptions& options, std::ostream& out, std::ostream& err) {
    QString message;
    PixelImage panorama;
    if (!loadFitted(QString::fromStdString(options.panorama), kUnlimited, kUnlimited, panorama,
                    &message)) {
        err << "orbpix view: " << str(message) << "\n";
        return kExitUnreadable;
    }
    NoWindow window;
    PanoramaViewControl control(window);
    if (!setUpView(options, panorama, control)) {
        err << "orbpix view: the panorama is too large to view\n";
        return kExitFailed;
    }
    PanoramaRenderer& renderer = control.renderer();
    if (renderer.render() != 0) {
        err << "orbpix view: not enough memory for a " << options.windowWidth << " x "
            << options.windowHeight << " view\n";
        return kExitFailed;
    }
    renderer.applyActiveColour();
    const PixelImage& frame = renderer.output();
    if (!writePicture(frame, options.output, "view", "view", err))
        return kExitFailed;
    if (options.json) {
        std::ostringstream json;
        json.precision(9);
        // The pitch the frame shows: near the strip's top or bottom row the view keeps
        // less than was asked for.
        json << "{\"pitch\":" << renderer.shownPitch() << ",\"yaw\":" << control.yaw()
             << ",\"focal\":" << control.focal() << ",\"width\":" << frame.width()
             << ",\"height\":" << frame.height() << "}\n";
        out << json.str();
    }
    return kExitOk;
}

}  // namespace

int viewCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string error;
    const auto options = parseViewOptions(args, error);
    if (!options)
        return usageError(err, "view", error);
    if (options->help) {
        out << kViewHelp;
        return kExitOk;
    }
    return view(*options, out, err);
}

}  // namespace orbpix::cli

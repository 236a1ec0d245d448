#include "cli/Commands.h"

#include <QString>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <system_error>

#include "cli/Arguments.h"
#include "cli/CommandSupport.h"
#include "cli/TourCommands.h"
#include "core/ByteStream.h"
#include "imaging/ColourAdjuster.h"
#include "imaging/JpegWriter.h"
#include "imaging/PanoramaXmp.h"
#include "imaging/Unwrap.h"
#include "imaging/io/FormatPatterns.h"
#include "imaging/io/ImageFiles.h"
#include "imaging/io/ItemCircles.h"
#include "imaging/io/PictureCheck.h"
#include "shell/ProgramFolder.h"
#include "shell/ResourceLibrary.h"

namespace orbpix::cli {

namespace {

constexpr const char* kMainHelp =
    "Usage: orbpix COMMAND [OPTIONS]\n"
    "\n"
    "Works on ring photographs taken through a 360-degree mirror lens.\n"
    "\n"
    "Commands:\n"
    "  detect   find the ring's circles in a picture\n"
    "  unwrap   unwrap a ring picture into a panorama strip\n"
    "  view     render one perspective view of a panorama strip\n"
    "  formats  list the picture file patterns and the open-dialog filter\n"
    "  album    list, show, create and change the albums of the album library\n"
    "  skin     parse a tour skin description, scramble or unscramble skin pictures\n"
    "  orb      dump a tour album file\n"
    "  tour     show the tour carried by a tour program, or build one\n"
    "  web      build a web page that shows an album in any browser\n"
    "\n"
    "Run 'orbpix COMMAND --help' for a command's options.\n";

constexpr const char* kDetectHelp =
    "Usage: orbpix detect IMAGE [--json]\n"
    "\n"
    "Finds the outer edge of the bright ring on the picture fitted into 800 x 800 pixels,\n"
    "derives the inner circle from it and prints the circles as an album stores them:\n"
    "centre x, centre y, inner radius, outer radius, in pixels of the full picture.\n"
    "When no ring is found the default circles are printed.\n"
    "\n"
    "  --json   print {\"circles\":[cx,cy,rin,rout],\"detected\":true|false,\"fitted\":[w,h]}\n"
    "\n"
    "Exit status: 0 circles printed (found or default), 2 picture unreadable.\n";

constexpr const char* kUnwrapHelp =
    "Usage: orbpix unwrap IMAGE -o OUT [--circles CX,CY,RIN,ROUT] [--height H] [--reverse]\n"
    "                    [--cc B,C,S] [--quality Q] [--gpano] [--auto-cc] [--json] [--strict]\n"
    "       orbpix unwrap IMAGE --auto-cc [--circles CX,CY,RIN,ROUT] [--height H] [--reverse]\n"
    "                    [--json]\n"
    "\n"
    "Unwraps the ring into a panorama strip of H rows and 4 x H columns and writes it to OUT\n"
    "in the format its extension names (.png, .jpg, .jpeg, .bmp, .tif). JPEG files are\n"
    "written as baseline JPEG with the quality of --quality.\n"
    "\n"
    "  -o, --output OUT       the panorama file to write (optional with --auto-cc)\n"
    "  --circles CX,CY,RIN,ROUT  the ring's circles (default: detected)\n"
    "  --height H             rows of the strip (default: min(800, trunc(ROUT x pi/2)))\n"
    "  --reverse              the lens was mounted upside down\n"
    "  --cc B,C,S             colour-correct the panorama before writing it: brightness,\n"
    "                         contrast and saturation as whole numbers, as the export does\n"
    "  --quality Q            JPEG quality from 0 to 100 (default 70); .jpg/.jpeg only\n"
    "  --gpano                describe the panorama in the JPEG (photo-sphere XMP: the full\n"
    "                         turn, the band between its elevation angles, a first view\n"
    "                         of its middle), so that photo sites and panorama viewers show\n"
    "                         it all around; .jpg/.jpeg only\n"
    "  --auto-cc              print the automatic colour correction of the panorama as\n"
    "                         \"brightness B, contrast C, saturation S\"; without -o nothing\n"
    "                         is written\n"
    "  --json                 print the size, circles, \"damaged\" and raw histograms as JSON,\n"
    "                         with --auto-cc also \"autoCC\":{\"brightness\":B,\"contrast\":C,\n"
    "                         \"saturation\":S}\n"
    "  --strict               refuse a damaged picture (part of its data missing or corrupt),\n"
    "                         which is otherwise unwrapped with a warning\n"
    "\n"
    "Exit status: 0 written (or, with --auto-cc alone, printed), 1 bad arguments, 2 picture\n"
    "unreadable (or damaged, with --strict), 3 circles not inside the picture (nothing\n"
    "written), 4 the panorama could not be made or written (a partly written file is\n"
    "removed).\n";

constexpr const char* kFormatsHelp =
    "Usage: orbpix formats\n"
    "\n"
    "Lists the picture file patterns with their format codes, then the filter of the\n"
    "picture open dialog, with the texts of the resource library.\n";

void printIntArray(std::ostream& out, const auto& values) {
    out << '[';
    bool first = true;
    for (const auto v : values) {
        out << (first ? "" : ",") << v;
        first = false;
    }
    out << ']';
}

// The "CIRCLES" form as four integers.
std::string circlesJson(const RingCircles& circles) {
    std::string text = formatCirclesText(circles);
    return '[' + text + ']';
}

ColourCorrection automaticCorrectionOf(const PanoramaResult& result) {
    // The raw histograms stay as they are for the JSON output.
    PanoramaResult cumulative;
    cumulative.luminance = result.luminance;
    cumulative.chroma = result.chroma;
    makeCumulativeHistograms(cumulative);
    return automaticCorrection(cumulative.luminance, cumulative.chroma);
}

int detectCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string error;
    const auto parsed = parseArguments(args, {{}, {"json", "help"}, {{'h', "help"}}}, error);
    if (!parsed)
        return usageError(err, "detect", error);
    if (parsed->has("help")) {
        out << kDetectHelp;
        return kExitOk;
    }
    if (parsed->positionals.size() != 1)
        return usageError(err, "detect", "expected exactly one picture");

    QString message;
    const auto found = detectItemCircles(QString::fromStdString(parsed->positionals[0]), &message);
    if (!found) {
        err << "orbpix detect: " << str(message) << "\n";
        return kExitUnreadable;
    }
    if (parsed->has("json")) {
        out << "{\"circles\":" << circlesJson(found->circles)
            << ",\"detected\":" << (found->detected ? "true" : "false") << ",\"fitted\":["
            << found->fittedSize.width() << ',' << found->fittedSize.height() << "]}\n";
    } else {
        out << found->text << "\n";
    }
    return kExitOk;
}

// What "orbpix unwrap" was asked to do.
struct UnwrapOptions {
    bool help = false;
    std::string picture;
    std::optional<PictureOutput> output;  // only the report with --auto-cc alone
    std::optional<ColourCorrection> correction;
    std::optional<RingCircles> circles;  // detected when not given
    std::optional<int> panoramaHeight;   // from the outer radius when not given
    bool reverse = false;
    bool gpano = false;  // photo-sphere XMP in the JPEG
    bool autoCc = false;
    bool json = false;
    bool strict = false;  // a damaged picture is refused
};

// The output file and its format; false with a message when it is missing or unknown.
bool parseUnwrapOutput(const ParsedArguments& parsed, UnwrapOptions& options, std::string& error) {
    options.autoCc = parsed.has("auto-cc");
    const auto path = parsed.option("output");
    if (path ? path->empty() : !options.autoCc) {
        error = "the panorama file is missing (-o OUT)";
        return false;
    }
    if (path)
        options.output = pictureOutputFor(*path, error);
    return !path || options.output;
}

// --quality, --cc, --circles and --height.
bool parseUnwrapValues(const ParsedArguments& parsed, UnwrapOptions& options, std::string& error) {
    if (const auto text = parsed.option("quality")) {
        PictureOutput* output = options.output ? &*options.output : nullptr;
        if (!applyQualityOption(*text, output, error))
            return false;
    }
    if (const auto text = parsed.option("cc")) {
        options.correction = parseColourCorrection(*text);
        if (!options.correction) {
            error = "--cc wants three whole numbers BRIGHTNESS,CONTRAST,SATURATION, not '" + *text +
                    "'";
            return false;
        }
    }
    if (const auto text = parsed.option("circles")) {
        options.circles = parseCirclesText(*text);
        if (!options.circles) {
            error = "--circles wants four numbers CX,CY,RIN,ROUT";
            return false;
        }
    }
    if (const auto text = parsed.option("height")) {
        options.panoramaHeight = parsePositiveInt(*text);
        if (!options.panoramaHeight || *options.panoramaHeight > 16384) {
            error = "--height wants a whole number from 1 to 16384";
            return false;
        }
    }
    return true;
}

std::optional<UnwrapOptions> parseUnwrapOptions(const std::vector<std::string>& args,
                                                std::string& error) {
    const OptionSet known{{"output", "circles", "height", "cc", "quality"},
                          {"reverse", "json", "auto-cc", "strict", "gpano", "help"},
                          {{'o', "output"}, {'h', "help"}}};
    const auto parsed = parseArguments(args, known, error);
    if (!parsed)
        return std::nullopt;
    UnwrapOptions options;
    options.help = parsed->has("help");
    if (options.help)
        return options;
    if (parsed->positionals.size() != 1) {
        error = "expected exactly one picture";
        return std::nullopt;
    }
    options.picture = parsed->positionals[0];
    if (!parseUnwrapOutput(*parsed, options, error) || !parseUnwrapValues(*parsed, options, error))
        return std::nullopt;
    options.reverse = parsed->has("reverse");
    options.gpano = parsed->has("gpano");
    if (options.gpano && (!options.output || !options.output->jpeg)) {
        error = "--gpano describes a JPEG panorama: give -o OUT.jpg";
        return std::nullopt;
    }
    options.json = parsed->has("json");
    options.strict = parsed->has("strict");
    return options;
}

// The ring picture and its circles, checked to lie inside it; an exit status on failure.
int loadRing(const UnwrapOptions& options, PixelImage& source, RingCircles& circles, bool& damaged,
             std::ostream& err) {
    const QString path = QString::fromStdString(options.picture);
    // A damaged picture still decodes (grey where its data ran out): say so, or refuse it.
    const PictureCheck check = checkPictureFile(path);
    damaged = check.state == PictureCheck::State::Damaged;
    if (damaged && options.strict) {
        err << "orbpix unwrap: " << options.picture << " is " << str(check.reason)
            << "; nothing was written\n";
        return kExitUnreadable;
    }
    if (damaged)
        err << "orbpix unwrap: warning: " << options.picture << " is " << str(check.reason) << "\n";
    QString message;
    if (options.circles) {
        circles = *options.circles;
    } else if (const auto found = detectItemCircles(path, &message)) {
        circles = found->circles;
    } else {
        err << "orbpix unwrap: " << str(message) << "\n";
        return kExitUnreadable;
    }
    if (!loadFitted(path, kUnlimited, kUnlimited, source, &message)) {
        err << "orbpix unwrap: " << str(message) << "\n";
        return kExitUnreadable;
    }
    if (!circlesInsideImage(&circles.outer, &circles.inner, source.width(), source.height())) {
        err << "orbpix unwrap: the circles " << formatCirclesText(circles)
            << " do not lie inside the " << source.width() << " x " << source.height()
            << " picture; nothing was written\n";
        return kExitInvalidCircles;
    }
    return kExitOk;
}

std::unique_ptr<PanoramaResult> unwrapRing(const UnwrapOptions& options, const PixelImage& source,
                                           const RingCircles& circles, int panoramaHeight) {
    std::unique_ptr<PanoramaUnwrapper> unwrapper;
    if (options.reverse)
        unwrapper = std::make_unique<ReverseUnwrapper>();
    else
        unwrapper = std::make_unique<PanoramaUnwrapper>();
    auto result = unwrapper->unwrap(source, &circles.outer, &circles.inner, 4 * panoramaHeight,
                                    panoramaHeight, {});
    if (result && options.correction) {
        // As the export does: both passes, whatever the values.
        ColourAdjuster adjuster;
        adjuster.setBrightnessContrast(options.correction->brightness,
                                       options.correction->contrast);
        adjuster.setSaturation(options.correction->saturation);
        PixelImage& image = result->image;
        adjuster.applyToneTableThenMatrix(image.bits(),
                                          std::size_t(image.width()) * std::size_t(image.height()));
    }
    return result;
}

void printUnwrapReport(const UnwrapOptions& options, const PanoramaResult& result,
                       const RingCircles& circles, bool damaged, std::ostream& out) {
    std::optional<ColourCorrection> automatic;
    if (options.autoCc)
        automatic = automaticCorrectionOf(result);
    if (options.json) {
        out << "{\"width\":" << result.image.width() << ",\"height\":" << result.image.height()
            << ",\"circles\":" << circlesJson(circles)
            << ",\"damaged\":" << (damaged ? "true" : "false") << ",\"luminance\":";
        printIntArray(out, result.luminance);
        out << ",\"chroma\":";
        printIntArray(out, result.chroma);
        if (automatic)
            out << ",\"autoCC\":{\"brightness\":" << automatic->brightness
                << ",\"contrast\":" << automatic->contrast
                << ",\"saturation\":" << automatic->saturation << '}';
        out << "}\n";
    } else if (automatic) {
        out << "brightness " << automatic->brightness << ", contrast " << automatic->contrast
            << ", saturation " << automatic->saturation << "\n";
    }
}

// The panorama as a JPEG file that describes itself as a photo sphere.
bool writeGpanoJpeg(const PixelImage& image, const PictureOutput& output, ElevationLimits limits,
                    std::ostream& err) {
    auto memory = MemoryStream::create();
    std::optional<std::vector<std::uint8_t>> jpeg;
    if (encodeJpeg(image, *memory, output.quality))
        jpeg = withXmpPacket(memory->bytes(),
                             panoramaXmp(panoramaXmpFields(image.width(), image.height(), limits)));
    std::ofstream file;
    if (jpeg) {
        file.open(output.path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(jpeg->data()), std::streamsize(jpeg->size()));
        file.close();
    }
    if (!jpeg || !file) {
        err << "orbpix unwrap: the panorama could not be written to " << output.path << "\n";
        std::error_code ec;
        if (std::filesystem::is_regular_file(output.path, ec))
            std::filesystem::remove(output.path, ec);
        return false;
    }
    return true;
}

int unwrap(const UnwrapOptions& options, std::ostream& out, std::ostream& err) {
    PixelImage source;
    RingCircles circles;
    bool damaged = false;
    if (const int status = loadRing(options, source, circles, damaged, err); status != kExitOk)
        return status;
    const int panoramaHeight =
        options.panoramaHeight ? *options.panoramaHeight : previewHeight(circles.outer.radius);
    if (panoramaHeight <= 0) {
        err << "orbpix unwrap: the outer circle is too small to unwrap\n";
        return kExitInvalidCircles;
    }
    const auto result = unwrapRing(options, source, circles, panoramaHeight);
    if (!result) {
        err << "orbpix unwrap: not enough memory for a " << 4 * panoramaHeight << " x "
            << panoramaHeight << " panorama\n";
        return kExitFailed;
    }
    if (options.gpano) {
        const ElevationLimits limits =
            options.reverse ? upsideDown(kNormalElevation) : kNormalElevation;
        if (!writeGpanoJpeg(result->image, *options.output, limits, err))
            return kExitFailed;
    } else if (options.output &&
               !writePicture(result->image, *options.output, "unwrap", "panorama", err)) {
        return kExitFailed;
    }
    printUnwrapReport(options, *result, circles, damaged, out);
    return kExitOk;
}

int unwrapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string error;
    const auto options = parseUnwrapOptions(args, error);
    if (!options)
        return usageError(err, "unwrap", error);
    if (options->help) {
        out << kUnwrapHelp;
        return kExitOk;
    }
    return unwrap(*options, out, err);
}

int formatsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string error;
    const auto parsed = parseArguments(args, {{}, {"help"}, {{'h', "help"}}}, error);
    if (!parsed)
        return usageError(err, "formats", error);
    if (parsed->has("help")) {
        out << kFormatsHelp;
        return kExitOk;
    }
    if (!parsed->positionals.empty())
        return usageError(err, "formats", "takes no arguments");
    ResourceLibrary& library = resourceLibrary();
    if (!library.isLoaded() && !library.load(programFolder())) {
        err << ResourceLibrary::kMissingMessage << "\n";
        return kExitFailed;
    }
    enumeratePatterns(
        [&](int code, const char* pattern) { out << pattern << '\t' << code << '\n'; });
    out << str(openDialogFilter([&](int id) { return library.text(id); })) << '\n';
    return kExitOk;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kMainHelp;
        return kExitUsage;
    }
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
        out << kMainHelp;
        return kExitOk;
    }
    if (command == "detect")
        return detectCommand(rest, out, err);
    if (command == "unwrap")
        return unwrapCommand(rest, out, err);
    if (command == "view")
        return viewCommand(rest, out, err);
    if (command == "formats")
        return formatsCommand(rest, out, err);
    if (command == "skin")
        return skinCommand(rest, out, err);
    if (command == "orb")
        return orbCommand(rest, out, err);
    if (command == "tour")
        return tourCommand(rest, out, err);
    if (command == "album")
        return albumCommand(rest, out, err);
    if (command == "web") {
        if (!rest.empty() && rest[0] == "build")
            return webBuildCommand({rest.begin() + 1, rest.end()}, out, err);
        err << "Usage: orbpix web build -o FOLDER [--album NAME | IMAGE...] [options]\n"
               "Run 'orbpix web build --help' for the options.\n";
        return rest.empty() || rest[0] == "--help" || rest[0] == "-h" ? kExitOk : kExitUsage;
    }
    err << "orbpix: unknown command '" << command << "'\n" << kMainHelp;
    return kExitUsage;
}

}  // namespace orbpix::cli

#include "cli/Commands.h"

#include <QFileInfo>
#include <QString>
#include <charconv>
#include <cmath>
#include <filesystem>
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
#include "imaging/Unwrap.h"
#include "imaging/io/FormatPatterns.h"
#include "imaging/io/ImageFiles.h"
#include "imaging/io/ItemCircles.h"
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
    "                    [--cc B,C,S] [--quality Q] [--auto-cc] [--json]\n"
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
    "  --auto-cc              print the automatic colour correction of the panorama as\n"
    "                         \"brightness B, contrast C, saturation S\"; without -o nothing\n"
    "                         is written\n"
    "  --json                 print the size, circles and raw histograms as JSON, with\n"
    "                         --auto-cc also \"autoCC\":{\"brightness\":B,\"contrast\":C,\n"
    "                         \"saturation\":S}\n"
    "\n"
    "Exit status: 0 written (or, with --auto-cc alone, printed), 1 bad arguments, 2 picture\n"
    "unreadable, 3 circles not inside the picture (nothing written), 4 the panorama could\n"
    "not be made or written (a partly written file is removed).\n";

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

int unwrapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string error;
    const OptionSet options{{"output", "circles", "height", "cc", "quality"},
                            {"reverse", "json", "auto-cc", "help"},
                            {{'o', "output"}, {'h', "help"}}};
    const auto parsed = parseArguments(args, options, error);
    if (!parsed)
        return usageError(err, "unwrap", error);
    if (parsed->has("help")) {
        out << kUnwrapHelp;
        return kExitOk;
    }
    if (parsed->positionals.size() != 1)
        return usageError(err, "unwrap", "expected exactly one picture");
    const bool autoCc = parsed->has("auto-cc");
    const auto output = parsed->option("output");
    if (output ? output->empty() : !autoCc)
        return usageError(err, "unwrap", "the panorama file is missing (-o OUT)");
    const QString outPath = output ? QString::fromStdString(*output) : QString();
    const QString outSuffix = QFileInfo(outPath).suffix();
    const bool jpegOutput = output && isJpegSuffix(outSuffix);
    const int outFormat = output ? formatCodeForSuffix(outSuffix) : 0;
    if (output && !jpegOutput && outFormat == 0)
        return usageError(err, "unwrap",
                          "cannot tell the format of " + *output + " from its extension");
    int quality = kDefaultJpegQuality;
    if (const auto text = parsed->option("quality")) {
        if (!jpegOutput)
            return usageError(err, "unwrap", "--quality applies to .jpg and .jpeg output only");
        const auto value = parseQuality(*text);
        if (!value)
            return usageError(err, "unwrap", "--quality wants a whole number from 0 to 100");
        quality = *value;
    }
    std::optional<ColourCorrection> correction;
    if (const auto text = parsed->option("cc")) {
        correction = parseColourCorrection(*text);
        if (!correction)
            return usageError(err, "unwrap",
                              "--cc wants three whole numbers BRIGHTNESS,CONTRAST,SATURATION, "
                              "not '" +
                                  *text + "'");
    }

    std::optional<RingCircles> circles;
    if (const auto text = parsed->option("circles")) {
        circles = parseCirclesText(*text);
        if (!circles)
            return usageError(err, "unwrap", "--circles wants four numbers CX,CY,RIN,ROUT");
    }
    std::optional<int> height;
    if (const auto text = parsed->option("height")) {
        height = parsePositiveInt(*text);
        if (!height || *height > 16384)
            return usageError(err, "unwrap", "--height wants a whole number from 1 to 16384");
    }

    const QString inPath = QString::fromStdString(parsed->positionals[0]);
    QString message;
    if (!circles) {
        const auto found = detectItemCircles(inPath, &message);
        if (!found) {
            err << "orbpix unwrap: " << str(message) << "\n";
            return kExitUnreadable;
        }
        circles = found->circles;
    }
    PixelImage source;
    if (!loadFitted(inPath, kUnlimited, kUnlimited, source, &message)) {
        err << "orbpix unwrap: " << str(message) << "\n";
        return kExitUnreadable;
    }
    if (!circlesInsideImage(&circles->outer, &circles->inner, source.width(), source.height())) {
        err << "orbpix unwrap: the circles " << formatCirclesText(*circles)
            << " do not lie inside the " << source.width() << " x " << source.height()
            << " picture; nothing was written\n";
        return kExitInvalidCircles;
    }
    const int rows = height ? *height : previewHeight(circles->outer.radius);
    if (rows <= 0) {
        err << "orbpix unwrap: the outer circle is too small to unwrap\n";
        return kExitInvalidCircles;
    }

    std::unique_ptr<PanoramaUnwrapper> unwrapper;
    if (parsed->has("reverse"))
        unwrapper = std::make_unique<ReverseUnwrapper>();
    else
        unwrapper = std::make_unique<PanoramaUnwrapper>();
    const auto result =
        unwrapper->unwrap(source, &circles->outer, &circles->inner, 4 * rows, rows, {});
    if (!result) {
        err << "orbpix unwrap: not enough memory for a " << 4 * rows << " x " << rows
            << " panorama\n";
        return kExitFailed;
    }
    if (correction) {
        // As the export does: both passes, whatever the values.
        ColourAdjuster adjuster;
        adjuster.setBrightnessContrast(correction->brightness, correction->contrast);
        adjuster.setSaturation(correction->saturation);
        PixelImage& image = result->image;
        adjuster.applyToneTableThenMatrix(image.bits(),
                                          std::size_t(image.width()) * std::size_t(image.height()));
    }
    if (jpegOutput) {
        if (!writeJpegFile(result->image, *output, quality)) {
            err << "orbpix unwrap: the panorama could not be written to " << *output << "\n";
            return kExitFailed;
        }
    } else if (output && !saveImage(result->image, outPath, outFormat, -1, &message)) {
        err << "orbpix unwrap: " << str(message) << "\n";
        return kExitFailed;
    }
    std::optional<ColourCorrection> automatic;
    if (autoCc)
        automatic = automaticCorrectionOf(*result);
    if (parsed->has("json")) {
        out << "{\"width\":" << result->image.width() << ",\"height\":" << result->image.height()
            << ",\"circles\":" << circlesJson(*circles) << ",\"luminance\":";
        printIntArray(out, result->luminance);
        out << ",\"chroma\":";
        printIntArray(out, result->chroma);
        if (automatic)
            out << ",\"autoCC\":{\"brightness\":" << automatic->brightness
                << ",\"contrast\":" << automatic->contrast
                << ",\"saturation\":" << automatic->saturation << '}';
        out << "}\n";
    } else if (automatic) {
        out << "brightness " << automatic->brightness << ", contrast " << automatic->contrast
            << ", saturation " << automatic->saturation << "\n";
    }
    return kExitOk;
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
    err << "orbpix: unknown command '" << command << "'\n" << kMainHelp;
    return kExitUsage;
}

}  // namespace orbpix::cli

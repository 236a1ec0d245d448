#include "cli/SkinArtCommands.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRect>
#include <ostream>

#include "cli/Arguments.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "imaging/PixelImage.h"
#include "imaging/io/ImageFiles.h"
#include "shell/ProgramFolder.h"
#include "shell/ResourceLibrary.h"
#include "skins/SkinBitmap.h"
#include "skins/SkinCatalogue.h"
#include "skins/SkinInfo.h"
#include "skins/SkinManager.h"

namespace orbpix::cli {

namespace {

constexpr const char* kCommand = "skin";
constexpr int kMaxSide = 16384;

std::string colourText(QRgb colour) {
    return std::to_string(qRed(colour)) + "," + std::to_string(qGreen(colour)) + "," +
           std::to_string(qBlue(colour));
}

std::optional<QSize> parseSize(const std::string& text) {
    const auto x = text.find('x');
    if (x == std::string::npos)
        return std::nullopt;
    const auto w = parsePositiveInt(text.substr(0, x));
    const auto h = parsePositiveInt(text.substr(x + 1));
    if (!w || !h || *w > kMaxSide || *h > kMaxSide)
        return std::nullopt;
    return QSize(*w, *h);
}

// A manager whose current skin is the folder, with the program's built-in pictures at hand.
// Nothing, after the message, when the folder is no folder.
bool openSkin(const std::string& folder, SkinManager& skins, std::ostream& err) {
    const QFileInfo info(QDir::cleanPath(QString::fromStdString(folder)));
    if (!info.isDir() || info.fileName().isEmpty()) {
        err << "orbpix skin: " << folder << " is no skin folder\n";
        return false;
    }
    if (!resourceLibrary().isLoaded())
        (void)resourceLibrary().load(programFolder());
    (void)skins.initialise(info.absolutePath(), QString(), info.fileName());
    if (skins.getCurrentSkin() != info.fileName()) {
        err << "orbpix skin: " << folder << " cannot be listed as a skin\n";
        return false;
    }
    return true;
}

int drawElement(const ParsedArguments& arguments, std::ostream& err) {
    const auto& words = arguments.positionals;
    const auto sizeText = arguments.option("size");
    const auto output = arguments.option("output");
    if (words.size() != 3 || !sizeText || !output)
        return usageError(err, kCommand, "expected draw SKIN_FOLDER ELEMENT --size WxH -o OUT");
    const auto size = parseSize(*sizeText);
    if (!size)
        return usageError(err, kCommand, "--size takes WIDTHxHEIGHT, each 1 to 16384");
    QRgb background = qRgb(0, 0, 0);
    if (const auto text = arguments.option("background")) {
        const auto colour = parseSkinColour(QString::fromStdString(*text));
        if (!colour)
            return usageError(err, kCommand, "--background takes R,G,B");
        background = *colour;
    }
    std::string error;
    const auto picture = pictureOutputFor(*output, error);
    if (!picture)
        return usageError(err, kCommand, error);

    SkinManager skins;
    if (!openSkin(words[1], skins, err))
        return kExitUnreadable;
    const QString element = QString::fromStdString(words[2]);
    SkinBitmap bitmap;
    if (!bitmap.load(skins, element))
        err << "orbpix skin: " << words[1] << " has no picture for " << words[2]
            << " and does not ask for the built-in one; nothing drawn\n";
    QImage canvas(*size, QImage::Format_RGB32);
    canvas.fill(background);
    (void)bitmap.drawTiled(SkinCanvas(canvas), canvas.rect());
    PixelImage pixels;
    if (!pixelImageFromQImage(canvas, pixels)) {
        err << "orbpix skin: not enough memory for " << *sizeText << "\n";
        return kExitFailed;
    }
    return writePicture(pixels, *picture, kCommand, "the drawing", err) ? kExitOk : kExitFailed;
}

int printColour(const ParsedArguments& arguments, std::ostream& out, std::ostream& err) {
    const auto& words = arguments.positionals;
    if (words.size() != 3)
        return usageError(err, kCommand, "expected color SKIN_FOLDER NAME");
    SkinManager skins;
    if (!openSkin(words[1], skins, err))
        return kExitUnreadable;
    const QString name = QString::fromStdString(words[2]);
    const auto fallback = catalogueColour(name);
    const auto fromFile = parseSkinColour(skins.getInfoString(QStringLiteral("Color"), name, {}));
    if (!fromFile && !fallback) {
        err << "orbpix skin: " << words[2] << " is no colour element and " << words[1]
            << " does not set it\n";
        return kExitUnreadable;
    }
    out << colourText(skins.getSkinColor(name, fallback.value_or(0))) << "\n";
    return kExitOk;
}

}  // namespace

int skinArtCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string error;
    const auto arguments =
        parseArguments(args, {{"size", "background", "output"}, {}, {{'o', "output"}}}, error);
    if (!arguments)
        return usageError(err, kCommand, error);
    return arguments->positionals.front() == "draw" ? drawElement(*arguments, err)
                                                    : printColour(*arguments, out, err);
}

}  // namespace orbpix::cli

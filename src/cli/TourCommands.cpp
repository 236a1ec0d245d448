#include "cli/TourCommands.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>

#include "cli/Arguments.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/SkinArtCommands.h"
#include "core/ByteStream.h"
#include "tourfmt/BlockScrambleStream.h"
#include "tourfmt/SkinDescription.h"
#include "tourfmt/TourAlbum.h"
#include "tourfmt/TourContainer.h"

namespace orbpix::cli {

namespace {

constexpr const char* kSkinHelp =
    "Usage: orbpix skin parse SKIN.ski [--json]\n"
    "       orbpix skin scramble IN OUT\n"
    "       orbpix skin unscramble IN OUT\n"
    "       orbpix skin draw SKIN_FOLDER ELEMENT --size WxH [--background R,G,B] -o OUT.png\n"
    "       orbpix skin color SKIN_FOLDER NAME\n"
    "\n"
    "parse       lists the elements of a tour skin description in the order a tour keeps\n"
    "            them: type, state, left, top, width, height and the pictures the state uses\n"
    "scramble    stores a picture (a GIF file) scrambled as tour skins keep their pictures\n"
    "unscramble  turns a scrambled skin picture back into the plain file\n"
    "draw        draws an element of an album-window skin as the windows do: its picture\n"
    "            from the folder (or the built-in one when the skin's info.txt asks for it),\n"
    "            transparent where the skin says, tiled from its corner over WxH pixels of\n"
    "            the background colour (black unless given)\n"
    "color       prints a colour element of the skin as R,G,B (the default when the skin's\n"
    "            info.txt does not set it)\n"
    "\n"
    "Exit status: 0 done, 1 bad arguments, 2 input unreadable, 4 output not written.\n";

constexpr const char* kOrbHelp =
    "Usage: orbpix orb dump FILE [--json]\n"
    "\n"
    "Prints a tour album file (album.orb): the title, the author's information texts and\n"
    "every picture with its name, its two angles and the size of its JPEG file.\n"
    "\n"
    "Exit status: 0 printed, 1 bad arguments, 2 file unreadable.\n";

constexpr const char* kTourHelp =
    "Usage: orbpix tour info TOUR [--json]\n"
    "       orbpix tour build -o TOUR [--album NAME | IMAGE...] [options] (see tour build --help)\n"
    "\n"
    "Prints the tour container appended to a tour program: its caption, the embedded files\n"
    "with their names and lengths, the skin's element records with their pictures' sizes,\n"
    "the trailer's positions and a summary of the embedded tour album.\n"
    "\n"
    "Exit status: 0 printed, 1 bad arguments, 2 file unreadable, 4 no tour (the file carries\n"
    "none or a malformed one).\n";

std::string json(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

struct Parsed {
    std::optional<ParsedArguments> arguments;
    int status = kExitOk;
};

// Splits "SUBCOMMAND ARGS… [--json]" and answers --help; status is set when done already.
Parsed parseSub(const std::vector<std::string>& args, const std::string& command, const char* help,
                std::ostream& out, std::ostream& err) {
    Parsed parsed;
    std::string error;
    parsed.arguments = parseArguments(args, {{}, {"json", "help"}, {{'h', "help"}}}, error);
    if (!parsed.arguments) {
        parsed.status = usageError(err, command, error);
    } else if (parsed.arguments->has("help")) {
        out << help;
        parsed.arguments.reset();
    }
    return parsed;
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

int skinParse(const std::string& path, bool asJson, std::ostream& out, std::ostream& err) {
    const auto skin = ParseSkinDescription(path);
    if (!skin) {
        err << "orbpix skin: cannot open " << path << "\n";
        return kExitUnreadable;
    }
    if (asJson) {
        out << "{\"buttonCount\":" << skin->buttonCount << ",\"plainCount\":" << skin->plainCount
            << ",\"elements\":[";
    }
    for (std::size_t i = 0; i < skin->elements.size(); ++i) {
        const TourElement& e = skin->elements[i];
        const std::string typeName =
            e.type == kTypeBackground ? "Background" : elementTypeName(e.type);
        if (asJson) {
            out << (i ? "," : "") << "{\"type\":" << e.type << ",\"typeName\":" << json(typeName)
                << ",\"state\":" << e.state << ",\"stateName\":" << json(elementStateName(e.state))
                << ",\"left\":" << e.left << ",\"top\":" << e.top << ",\"width\":" << e.width
                << ",\"height\":" << e.height << ",\"pictures\":[";
            for (int p = 0; p < e.pictureCount(); ++p)
                out << (p ? "," : "") << json(e.pictureNames[std::size_t(p)]);
            out << "]}";
        } else {
            out << i << '\t' << typeName << '\t' << elementStateName(e.state) << '\t' << e.left
                << ',' << e.top << ' ' << e.width << 'x' << e.height;
            for (int p = 0; p < e.pictureCount(); ++p)
                out << '\t' << e.pictureNames[std::size_t(p)];
            out << '\n';
        }
    }
    if (asJson)
        out << "]}\n";
    return kExitOk;
}

int skinScramble(const std::string& in, const std::string& outPath, bool scramble,
                 std::ostream& err) {
    std::vector<std::uint8_t> bytes;
    if (scramble) {
        auto plain = readWholeFile(in);
        if (!plain) {
            err << "orbpix skin: cannot open " << in << "\n";
            return kExitUnreadable;
        }
        bytes = std::move(*plain);
    } else {
        auto file = FileStream::open(in, FileStream::Mode::Read);
        const auto length = file ? streamLength(*file) : std::nullopt;
        if (!length) {
            err << "orbpix skin: cannot open " << in << "\n";
            return kExitUnreadable;
        }
        bytes.resize(static_cast<std::size_t>(*length));
        auto stream = BlockScrambleStream::create(shareStream(file), kTourSkinPictureKey);
        if (!stream->seek(0, ByteStream::Origin::Begin) || stream->read(bytes) != bytes.size()) {
            err << "orbpix skin: cannot read " << in << "\n";
            return kExitUnreadable;
        }
    }
    bool written = false;
    {
        auto file = FileStream::open(outPath, FileStream::Mode::Create);
        if (file) {
            if (scramble) {
                auto stream = BlockScrambleStream::create(shareStream(file), kTourSkinPictureKey);
                written = stream->write(bytes) && stream->flush();
            } else {
                written = file->write(bytes) && file->flush();
            }
        }
    }
    if (!written) {
        err << "orbpix skin: cannot write " << outPath << "\n";
        std::remove(outPath.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

void printTourAlbum(const TourAlbum& tourAlbum, bool asJson, std::ostream& out) {
    if (asJson) {
        out << "{\"title\":" << json(tourAlbum.title);
        if (tourAlbum.info)
            out << ",\"info\":{\"authorName\":" << json(tourAlbum.info->authorName)
                << ",\"authorAddress\":" << json(tourAlbum.info->authorAddress)
                << ",\"authorHomePage\":" << json(tourAlbum.info->authorHomePage) << '}';
        out << ",\"pictures\":[";
        for (std::size_t i = 0; i < tourAlbum.pictures.size(); ++i) {
            const TourPicture& p = tourAlbum.pictures[i];
            out << (i ? "," : "") << "{\"name\":" << json(p.name)
                << ",\"firstAngle\":" << p.firstAngle << ",\"secondAngle\":" << p.secondAngle
                << ",\"jpegSize\":" << p.jpeg.size() << '}';
        }
        out << "]}";
        return;
    }
    out << "title: " << tourAlbum.title << '\n';
    if (tourAlbum.info)
        out << "author: " << tourAlbum.info->authorName << '\n'
            << "address: " << tourAlbum.info->authorAddress << '\n'
            << "home page: " << tourAlbum.info->authorHomePage << '\n';
    out << "pictures: " << tourAlbum.pictures.size() << '\n';
    for (const TourPicture& p : tourAlbum.pictures)
        out << "  " << p.name << '\t' << p.firstAngle << ',' << p.secondAngle << '\t'
            << p.jpeg.size() << " bytes\n";
}

}  // namespace

int skinCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && (args[0] == "draw" || args[0] == "color"))
        return skinArtCommand(args, out, err);
    const Parsed parsed = parseSub(args, "skin", kSkinHelp, out, err);
    if (!parsed.arguments)
        return parsed.status;
    const auto& words = parsed.arguments->positionals;
    if (words.size() == 2 && words[0] == "parse")
        return skinParse(words[1], parsed.arguments->has("json"), out, err);
    if (words.size() == 3 && (words[0] == "scramble" || words[0] == "unscramble"))
        return skinScramble(words[1], words[2], words[0] == "scramble", err);
    return usageError(err, "skin", "expected parse SKIN.ski, scramble IN OUT or unscramble IN OUT");
}

int orbCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Parsed parsed = parseSub(args, "orb", kOrbHelp, out, err);
    if (!parsed.arguments)
        return parsed.status;
    const auto& words = parsed.arguments->positionals;
    if (words.size() != 2 || words[0] != "dump")
        return usageError(err, "orb", "expected dump FILE");
    const auto tourAlbum = readTourAlbumFile(words[1]);
    if (!tourAlbum) {
        err << "orbpix orb: cannot open " << words[1] << "\n";
        return kExitUnreadable;
    }
    printTourAlbum(*tourAlbum, parsed.arguments->has("json"), out);
    if (parsed.arguments->has("json"))
        out << '\n';
    return kExitOk;
}

int tourCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (!args.empty() && args[0] == "build")
        return tourBuildCommand({args.begin() + 1, args.end()}, out, err);
    const Parsed parsed = parseSub(args, "tour", kTourHelp, out, err);
    if (!parsed.arguments)
        return parsed.status;
    const auto& words = parsed.arguments->positionals;
    if (words.size() != 2 || words[0] != "info")
        return usageError(err, "tour", "expected info TOUR");
    auto file = FileStream::open(words[1], FileStream::Mode::Read);
    if (!file) {
        err << "orbpix tour: cannot open " << words[1] << "\n";
        return kExitUnreadable;
    }
    std::string why;
    const auto tour = readTourContainer(*file, &why);
    if (!tour) {
        err << "orbpix tour: no tour (" << why << ")\n";
        return kExitFailed;
    }
    std::optional<TourAlbum> tourAlbum;
    if (tour->fileCount() > 0) {
        if (const auto bytes = readEmbeddedFile(*file, *tour, 0)) {
            auto memory = MemoryStream::create();
            if (memory->write(*bytes) && memory->seek(0, ByteStream::Origin::Begin)) {
                auto scrambled = BlockScrambleStream::create(shareStream(memory), kTourAlbumKey);
                tourAlbum = readTourAlbum(*scrambled, scrambled.get());
            }
        }
    }
    const bool asJson = parsed.arguments->has("json");
    if (asJson) {
        out << "{\"title\":" << json(tour->caption) << ",\"files\":[";
        for (std::size_t i = 0; i < tour->fileCount(); ++i)
            out << (i ? "," : "") << "{\"name\":" << json(tour->fileNames[i])
                << ",\"offset\":" << tour->fileOffsets[i] << ",\"length\":" << tour->fileLength(i)
                << '}';
        out << "],\"skinCount\":" << tour->skinCount << ",\"skinHeader\":" << tour->skinHeader
            << ",\"elements\":[";
        for (std::size_t i = 0; i < tour->elements.size(); ++i) {
            const TourElement& e = tour->elements[i];
            out << (i ? "," : "") << "{\"type\":" << e.type << ",\"state\":" << e.state
                << ",\"top\":" << e.top << ",\"left\":" << e.left << ",\"width\":" << e.width
                << ",\"height\":" << e.height << ",\"bitmaps\":[";
            for (std::size_t b = 0; b < e.bitmaps.size(); ++b)
                out << (b ? "," : "") << e.bitmaps[b].size();
            out << "]}";
        }
        out << "],\"trailer\":{\"skinOffsets\":[";
        for (std::size_t i = 0; i < tour->skinOffsets.size(); ++i)
            out << (i ? "," : "") << tour->skinOffsets[i];
        out << "],\"offsetsPosition\":" << tour->offsetsPosition
            << ",\"trailerPosition\":" << tour->trailerPosition
            << ",\"containerStart\":" << tour->containerStart
            << ",\"skinCountPosition\":" << tour->skinCountPosition
            << ",\"version\":" << tour->version << ",\"marker\":\"OrbTour\"}";
        if (tourAlbum) {
            out << ",\"album\":";
            printTourAlbum(*tourAlbum, true, out);
        }
        out << "}\n";
        return kExitOk;
    }
    out << "title: " << tour->caption << '\n' << "files: " << tour->fileCount() << '\n';
    for (std::size_t i = 0; i < tour->fileCount(); ++i)
        out << "  " << tour->fileNames[i] << '\t' << tour->fileLength(i) << " bytes at "
            << tour->fileStart(i) << '\n';
    out << "elements: " << tour->elements.size() << '\n';
    for (const TourElement& e : tour->elements) {
        out << "  type " << e.type << " state " << e.state << " at " << e.left << ',' << e.top
            << ' ' << e.width << 'x' << e.height;
        for (const auto& bitmap : e.bitmaps)
            out << ' ' << bitmap.size();
        out << '\n';
    }
    out << "trailer: offsets " << tour->offsetsPosition << ", trailer " << tour->trailerPosition
        << ", container start " << tour->containerStart << ", skin count "
        << tour->skinCountPosition << ", version " << tour->version << '\n';
    if (tourAlbum) {
        out << "album:\n";
        printTourAlbum(*tourAlbum, false, out);
    }
    return kExitOk;
}

}  // namespace orbpix::cli

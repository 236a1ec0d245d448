#include "tourgen/TourGenerator.h"

#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <system_error>
#include <vector>

#include "core/ByteStream.h"
#include "tourfmt/BlockScrambleStream.h"
#include "tourfmt/TourContainer.h"

extern char** environ;

namespace orbpix::tourgen {

namespace {

std::size_t lastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

// Skin descriptions written elsewhere may separate folders with "\".
std::string picturePath(const std::string& skinFolder, std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    // Without a folder the pictures lie beside the description, in the current folder,
    // not at the root.
    return skinFolder.empty() ? name : skinFolder + "/" + name;
}

// A picture file unscrambled with the skin picture key, exactly as long as the file.
std::optional<std::vector<std::uint8_t>> readSkinPicture(const std::string& path) {
    auto file = FileStream::open(path, FileStream::Mode::Read);
    if (!file)
        return std::nullopt;
    const auto length = streamLength(*file);
    if (!length)
        return std::nullopt;
    auto scrambled = BlockScrambleStream::create(shareStream(file), kTourSkinPictureKey);
    // A skin picture is a few kilobytes; a file beyond what a tour can hold is no picture.
    constexpr std::uint64_t kMaxPicture = std::uint64_t{1} << 28;
    if (*length > kMaxPicture)
        return std::nullopt;
    std::vector<std::uint8_t> bytes{};
    bytes.resize(std::size_t(*length));
    if (!scrambled->seek(0, ByteStream::Origin::Begin) || scrambled->read(bytes) != bytes.size())
        return std::nullopt;
    return bytes;
}

bool makeExecutable(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return false;
    mode_t mode = status.st_mode | S_IXUSR;
    if (mode & S_IRGRP)
        mode |= S_IXGRP;
    if (mode & S_IROTH)
        mode |= S_IXOTH;
    return ::chmod(path.c_str(), mode & 07777) == 0;
}

// Starts the finished tour on its own; the generator does not wait for it.
void startTour(const std::string& path) {
    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0)
        return;
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    std::string program = path;
    char* argv[] = {program.data(), nullptr};
    pid_t pid = 0;
    (void)posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
}

}  // namespace

std::string folderOf(const std::string& path) {
    const std::size_t at = lastSeparator(path);
    return at == std::string::npos ? std::string() : path.substr(0, at);
}

std::string bareNameOf(const std::string& path) {
    const std::size_t at = lastSeparator(path);
    return at == std::string::npos ? path : path.substr(at + 1);
}

bool WriteTourContainer(const std::string& skinFolder, const std::string& destination,
                        const std::string& albumPath, const SkinDescription& skin,
                        const Reporter& report) {
    std::uint64_t containerStart = 0;
    {
        auto viewer = FileStream::open(destination, FileStream::Mode::Read);
        const auto length = viewer ? streamLength(*viewer) : std::nullopt;
        if (!length) {
            report(kViewerNotFoundMessage);
            return false;
        }
        containerStart = *length;
    }
    std::uint64_t albumLength = 0;
    {
        auto album = FileStream::open(albumPath, FileStream::Mode::Read);
        const auto length = album ? streamLength(*album) : std::nullopt;
        if (!length) {
            report(kAlbumNotFoundMessage);
            return false;
        }
        albumLength = *length;
    }
    std::vector<TourElement> elements = skin.elements;
    for (TourElement& element : elements) {
        element.bitmaps.clear();
        for (int p = 0; p < element.pictureCount(); ++p) {
            auto bytes =
                readSkinPicture(picturePath(skinFolder, element.pictureNames[std::size_t(p)]));
            if (!bytes) {
                // A tour without this picture would be broken; stop here.
                report(kFileNotFoundMessage);
                return false;
            }
            element.bitmaps.push_back(std::move(*bytes));
        }
    }

    const std::vector<EmbeddedFile> files{
        {bareNameOf(albumPath), albumLength, [&](ByteStream& out) {
             auto album = FileStream::open(albumPath, FileStream::Mode::Read);
             if (!album) {
                 report(std::string(kFileNotFoundMessage) + albumPath);
                 return false;
             }
             std::vector<std::uint8_t> buffer(1 << 16);
             std::uint64_t left = albumLength;
             while (left > 0) {
                 const std::size_t want = std::size_t(std::min<std::uint64_t>(left, buffer.size()));
                 const std::size_t n = album->read(std::span(buffer.data(), want));
                 if (n == 0 || !out.write(std::span(buffer.data(), n)))
                     return false;
                 left -= n;
             }
             return true;
         }}};
    const auto plan = planTourContainer(containerStart, kTourCaption, files, std::move(elements));
    if (!plan)
        return false;

    {
        auto viewer = FileStream::open(destination, FileStream::Mode::Read);
        if (!viewer) {
            report(std::string(kFileNotFoundMessage) + " " + destination);
            return false;
        }
        if (endsWithTourMarker(*viewer))
            return false;
    }
    bool written = false;
    {
        auto out = FileStream::open(destination, FileStream::Mode::ReadWrite);
        if (!out) {
            report(kCannotWriteMessage);
            return false;
        }
        written = out->seek(std::int64_t(containerStart), ByteStream::Origin::Begin) &&
                  writeTourContainer(*out, *plan, files);
    }
    if (!written) {
        // Half a container is worse than none: the viewer would find a broken tour.
        std::error_code ec;
        std::filesystem::remove(destination, ec);
    }
    return written;
}

bool GenerateTour(const std::string& destination, const std::string& skinPath,
                  const std::string& albumPath, const Reporter& report, std::ostream& out) {
    const auto skin = ParseSkinDescription(skinPath);
    if (!skin) {
        out << kSkinNotOpenedMessage << std::flush;
        return false;
    }
    return WriteTourContainer(folderOf(skinPath), destination, albumPath, *skin, report);
}

std::optional<std::string> makeStagingFile(const std::string& destination) {
    std::string name = destination + ".partXXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return std::nullopt;
    ::close(fd);
    return name;
}

int runTourgen(const TourArgs& args, const Reporter& report, std::ostream& out) {
    if (!args.complete()) {
        report(kParametersMessage);
        return 1;
    }
    // The tour is built in a file of its own beside the destination and takes the
    // destination's place only when complete: a failure leaves no half-made tour behind and
    // whatever stood at the destination as it was.
    const auto staging = makeStagingFile(args.destinationPath);
    std::error_code ec;
    if (staging)
        std::filesystem::copy_file(args.sourcePath, *staging,
                                   std::filesystem::copy_options::overwrite_existing, ec);
    if (!staging || ec || !makeExecutable(*staging)) {
        if (staging)
            std::filesystem::remove(*staging, ec);
        report(kCopyFailedMessage);
        return 1;
    }
    if (!GenerateTour(*staging, args.skinPath, args.albumPath, report, out)) {
        std::filesystem::remove(*staging, ec);
        report(kGenerationErrorMessage);
        return 1;
    }
    std::filesystem::rename(*staging, args.destinationPath, ec);
    if (ec) {
        std::filesystem::remove(*staging, ec);
        report(kCopyFailedMessage);
        return 1;
    }
    if (args.run)
        startTour(args.destinationPath);
    return 0;
}

}  // namespace orbpix::tourgen

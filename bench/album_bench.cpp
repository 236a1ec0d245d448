// Opening and saving an album of 10,000 pictures (small real files in a temporary folder).
// Opening (load, synchronise, purge) is compared with the least any opening must do: list
// the folder and read the album file. Targets: open within 5 × that, save under 50 ms.

#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchTiming.h"
#include "album/FilePatternList.h"
#include "album/FileSystem.h"
#include "album/FolderAlbum.h"

namespace {

using namespace orbpix;
using namespace orbpix::bench;

constexpr int kPictures = 10000;
constexpr int kWarmups = 2;
constexpr int kRounds = 15;

}  // namespace

int main() {
    QTemporaryDir temp;
    if (!temp.isValid())
        return 1;
    const std::string folder = temp.path().toStdString() + "/Big Album";
    std::filesystem::create_directory(folder);
    for (int i = 0; i < kPictures; ++i) {
        std::ofstream(folder + "/IMG_" + std::to_string(100000 + i) + ".jpg", std::ios::binary)
            << "\xff\xd8\xff\xd9";
    }
    FilePatternList patterns;
    addImagingPatterns(patterns);
    FileSystem& fs = localFileSystem();

    // The first open finds every picture, gives each a few properties and saves.
    auto album = FolderAlbum::open(folder, false, fs, patterns);
    if (!album || album->itemCount() != kPictures)
        return 1;
    for (std::size_t i = 0; i < album->itemCount(); ++i) {
        if (!album->setProperty(i, "NAME", "Picture " + std::to_string(i)) ||
            !album->setProperty(i, "CIRCLES", "400,300,45,200") ||
            !album->setProperty(i, "CC", "0,0,0"))
            return 1;
    }
    if (!album->saveIfDirty())
        return 1;
    const auto fileSize = std::filesystem::file_size(folder + "/.orp");

    const auto floor = [&] {
        const auto names = fs.listFiles(folder);
        const auto bytes = fs.readFile(folder + "/.orp");
        return names && bytes && names->size() == std::size_t(kPictures) + 1;
    };
    const auto open = [&] {
        auto opened = FolderAlbum::open(folder, false, fs, patterns);
        return opened && opened->itemCount() == std::size_t(kPictures) && !opened->isDirty();
    };
    const auto pair = measureInTurns(kWarmups, kRounds, floor, open);
    const auto save = measure(kWarmups, kRounds, [&] { return album->save(); });
    if (!pair || !save)
        return 1;

    std::printf("album_bench: %d pictures, album file %ju bytes\n", kPictures,
                std::uintmax_t(fileSize));
    std::printf("  list folder + read album file  %8.2f ms median\n", pair->first.medianMs);
    std::printf("  open (load, synchronise, purge) %8.2f ms median  ratio %.2f (target <= 5)\n",
                pair->second.medianMs, pair->medianRatio);
    std::printf("  save                            %8.2f ms median  (target < 50)\n",
                save->medianMs);
    return 0;
}

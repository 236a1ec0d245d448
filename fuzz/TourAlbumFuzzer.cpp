// Reads arbitrary bytes as a scrambled tour album file: the block stream, the chunk reader
// with its key switching and the viewer's handlers.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/ByteStream.h"
#include "tourfmt/BlockScrambleStream.h"
#include "tourfmt/TourAlbum.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orbpix;
    auto memory = MemoryStream::create();
    if (size > 0 && !memory->write(std::span(data, size)))
        return 0;
    if (!memory->seek(0, ByteStream::Origin::Begin))
        return 0;
    auto scrambled = BlockScrambleStream::create(shareStream(memory), kTourAlbumKey);
    if (!scrambled->seek(0, ByteStream::Origin::Begin))
        return 0;
    const TourAlbum album = readTourAlbum(*scrambled, scrambled.get());
    std::size_t total = album.title.size();
    for (const TourPicture& picture : album.pictures)
        total += picture.jpeg.size() + picture.name.size();
    // Nothing read can be larger than the file it came from.
    if (total > size)
        std::abort();
    return 0;
}

// Reads arbitrary bytes as an album file. Beyond not crashing, the items read must survive
// being written and read again unchanged: whatever a file gives the album, the album can
// store.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "album/AlbumFile.h"
#include "album/TaggedDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::string_view kFolder = "/albums/Fuzz";
    orbpix::TaggedDocument document;
    if (!document.read(std::string_view(reinterpret_cast<const char*>(data), size)))
        return 0;
    const auto items = orbpix::itemsFromDocument(document, kFolder).items;
    // A "path" without any separator is stored as a bare file name of the folder; the only
    // reading that does not come back the same way.
    for (const auto& item : items) {
        if (item.path.find('/') == std::string::npos)
            return 0;
    }
    orbpix::TaggedDocument again;
    if (!again.read(orbpix::albumFileBytes(items, kFolder)))
        std::abort();
    if (orbpix::itemsFromDocument(again, kFolder).items != items)
        std::abort();
    return 0;
}

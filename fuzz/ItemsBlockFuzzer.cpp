// Items blocks arrive from other programs through the clipboard and drag and drop.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "album/TransferBlocks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView block(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<orbpix::TransferItem> items;
    if (!orbpix::readItemsBlock(block, items)) {
        if (!items.isEmpty())
            std::abort();  // a refused block must add nothing
        return 0;
    }
    // What was read must survive being offered again unchanged.
    const auto rebuilt = orbpix::buildItemsBlock(items);
    if (!rebuilt)
        std::abort();
    QList<orbpix::TransferItem> again;
    if (!orbpix::readItemsBlock(*rebuilt, again) || again != items)
        std::abort();
    return 0;
}

// Index blocks arrive through the clipboard, possibly from another running copy.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "album/TransferBlocks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView block(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto read = orbpix::readIndexesBlock(block);
    if (!read)
        return 0;
    if (8 + 4 * read->indexes.size() > size)
        std::abort();  // more indexes than the block can hold
    // Offering the same indexes again, all of them existing, gives back the block's start.
    std::vector<int> requested;
    requested.reserve(read->indexes.size());
    for (const std::uint32_t index : read->indexes) {
        if (index >= 0x7FFFFFFF)
            return 0;  // the largest item count leaves this one out
        requested.push_back(int(index));
    }
    const QByteArray rebuilt = orbpix::buildIndexesBlock(requested, 0x7FFFFFFF, read->processId);
    if (!block.startsWith(rebuilt))
        std::abort();
    return 0;
}

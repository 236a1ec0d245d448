// Reads arbitrary bytes as a program carrying a tour container.

#include <cstddef>
#include <cstdint>

#include "core/ByteStream.h"
#include "tourfmt/TourContainer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orbpix;
    auto memory = MemoryStream::create();
    if (size > 0 && !memory->write(std::span(data, size)))
        return 0;
    const auto tour = readTourContainer(*memory);
    if (tour && tour->fileCount() > 0)
        (void)readEmbeddedFile(*memory, *tour, 0);
    return 0;
}

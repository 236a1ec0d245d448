#include "tourfmt/TourContainer.h"

#include <algorithm>
#include <array>
#include <limits>

namespace orbpix {

namespace {

constexpr std::uint64_t kMaxPosition = std::numeric_limits<std::uint32_t>::max();

void putU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(std::uint8_t(value >> shift));
}

std::uint32_t getU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// Reads at absolute offsets of a stream of known length and refuses any read that would
// reach past the limit it was given.
class BoundedReader {
public:
    BoundedReader(ByteStream& stream, std::uint64_t limit) : m_stream(stream), m_limit(limit) {}

    bool fits(std::uint64_t at, std::uint64_t count) const {
        return at <= m_limit && count <= m_limit - at;
    }

    bool read(std::uint64_t at, std::uint8_t* bytes, std::size_t count) {
        return fits(at, count) && m_stream.seek(std::int64_t(at), ByteStream::Origin::Begin) &&
               readExactly(m_stream, std::span(bytes, count));
    }

    bool u32(std::uint64_t at, std::uint32_t& value) {
        std::uint8_t b[4];
        if (!read(at, b, 4))
            return false;
        value = getU32(b);
        return true;
    }

private:
    ByteStream& m_stream;
    std::uint64_t m_limit;
};

std::optional<TourDescriptor> noTour(std::string* why, const char* reason) {
    if (why)
        *why = reason;
    return std::nullopt;
}

std::optional<std::uint64_t> streamLength(ByteStream& stream) {
    if (!stream.seek(0, ByteStream::Origin::End))
        return std::nullopt;
    const std::int64_t length = stream.position();
    if (length < 0)
        return std::nullopt;
    return std::uint64_t(length);
}

}  // namespace

std::optional<TourDescriptor> planTourContainer(std::uint64_t containerStart,
                                                const std::string& caption,
                                                const std::vector<EmbeddedFile>& files,
                                                std::vector<TourElement> elements) {
    if (caption.size() > 255 || containerStart > kMaxPosition)
        return std::nullopt;
    TourDescriptor plan;
    plan.caption = caption;
    plan.containerStart = std::uint32_t(containerStart);

    // The stored start of file 0 is one below its true start, which follows the caption's
    // length byte, the caption, the file count, the name lengths and the names.
    std::uint64_t position = containerStart + caption.size() + 4;
    for (const EmbeddedFile& file : files) {
        if (file.name.size() > 255)
            return std::nullopt;
        plan.fileNames.push_back(file.name);
        position += file.name.size() + 1;
    }
    for (const EmbeddedFile& file : files) {
        if (position > kMaxPosition)
            return std::nullopt;
        plan.fileOffsets.push_back(std::uint32_t(position));
        position += file.length;
    }
    if (position > kMaxPosition)
        return std::nullopt;
    plan.fileOffsets.push_back(std::uint32_t(position));
    plan.offsetsPosition = std::uint32_t(position);
    position += 4 * (files.size() + 1);
    plan.skinCountPosition = std::uint32_t(std::min(position, kMaxPosition));
    plan.skinOffsets = {std::uint32_t(std::min(position + 4, kMaxPosition))};
    position += 12;
    for (const TourElement& element : elements) {
        if (element.bitmaps.size() != std::size_t(element.pictureCount()))
            return std::nullopt;
        position += kTourElementRecordSize;
        for (const auto& bitmap : element.bitmaps)
            position += 4 + bitmap.size();
        if (position > kMaxPosition)
            return std::nullopt;
    }
    // The trailer must fit too: its last byte's true offset is its stored start + 31.
    if (position + 4 * plan.skinOffsets.size() + kTourTrailerTail > kMaxPosition)
        return std::nullopt;
    plan.trailerPosition = std::uint32_t(position);
    plan.elements = std::move(elements);
    return plan;
}

bool writeTourContainer(ByteStream& out, const TourDescriptor& plan,
                        const std::vector<EmbeddedFile>& files) {
    if (files.size() != plan.fileNames.size() || out.position() != plan.containerStart)
        return false;
    std::vector<std::uint8_t> head;
    head.push_back(std::uint8_t(plan.caption.size()));
    head.insert(head.end(), plan.caption.begin(), plan.caption.end());
    putU32(head, std::uint32_t(files.size()));
    for (const std::string& name : plan.fileNames)
        head.push_back(std::uint8_t(name.size()));
    for (const std::string& name : plan.fileNames)
        head.insert(head.end(), name.begin(), name.end());
    if (!out.write(head))
        return false;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::int64_t before = out.position();
        if (!files[i].writeContent || !files[i].writeContent(out) ||
            out.position() != before + std::int64_t(files[i].length))
            return false;
    }

    std::vector<std::uint8_t> tail;
    for (const std::uint32_t offset : plan.fileOffsets)
        putU32(tail, offset);
    putU32(tail, plan.skinCount);
    putU32(tail, plan.skinHeader);
    putU32(tail, std::uint32_t(plan.elements.size()));
    for (const TourElement& element : plan.elements) {
        putU32(tail, std::uint32_t(element.top));
        putU32(tail, std::uint32_t(element.left));
        putU32(tail, std::uint32_t(element.width));
        putU32(tail, std::uint32_t(element.height));
        putU32(tail, std::uint32_t(element.type));
        putU32(tail, std::uint32_t(element.state));
        for (const auto& bitmap : element.bitmaps)
            putU32(tail, std::uint32_t(bitmap.size()));
        for (const auto& bitmap : element.bitmaps)
            tail.insert(tail.end(), bitmap.begin(), bitmap.end());
    }
    for (const std::uint32_t offset : plan.skinOffsets)
        putU32(tail, offset);
    putU32(tail, plan.offsetsPosition);
    putU32(tail, plan.trailerPosition);
    putU32(tail, plan.containerStart);
    putU32(tail, plan.skinCountPosition);
    putU32(tail, plan.version);
    tail.insert(tail.end(), kTourMarker.begin(), kTourMarker.end());
    return out.write(tail) && out.flush();
}

bool endsWithTourMarker(ByteStream& stream) {
    const auto length = streamLength(stream);
    if (!length || *length < kTourMarker.size())
        return false;
    BoundedReader reader(stream, *length);
    std::array<std::uint8_t, 7> marker{};
    return reader.read(*length - marker.size(), marker.data(), marker.size()) &&
           std::equal(marker.begin(), marker.end(), kTourMarker.begin());
}

std::optional<TourDescriptor> readTourContainer(ByteStream& stream, std::string* why) {
    const auto length = streamLength(stream);
    if (!length)
        return noTour(why, "the file cannot be read");
    if (*length < kTourTrailerTail || !endsWithTourMarker(stream))
        return noTour(why, "the file does not end with the tour marker");
    // Everything but the fixed tail lies before it.
    const std::uint64_t limit = *length - kTourTrailerTail;
    BoundedReader in(stream, *length);
    TourDescriptor tour;
    std::uint8_t tailBytes[kTourTrailerTail - 7];
    if (!in.read(limit, tailBytes, sizeof tailBytes))
        return noTour(why, "the trailer cannot be read");
    tour.offsetsPosition = getU32(tailBytes);
    tour.trailerPosition = getU32(tailBytes + 4);
    tour.containerStart = getU32(tailBytes + 8);
    tour.skinCountPosition = getU32(tailBytes + 12);
    tour.version = getU32(tailBytes + 16);

    // From here on every read is bounded by the fields before the fixed tail.
    BoundedReader body(stream, limit);
    const std::uint64_t start = tour.containerStart;
    const auto inside = [&](std::uint64_t at, std::uint64_t count) {
        return at >= start && body.fits(at, count);
    };
    std::uint64_t at = start;
    std::uint8_t captionLength = 0;
    if (!inside(at, 1) || !body.read(at, &captionLength, 1))
        return noTour(why, "the container start lies outside the file");
    tour.caption.resize(captionLength);
    std::uint32_t fileCount = 0;
    if (!body.read(at + 1, reinterpret_cast<std::uint8_t*>(tour.caption.data()), captionLength) ||
        !body.u32(at + 1 + captionLength, fileCount))
        return noTour(why, "the caption reaches past the container");
    at += 1 + captionLength + 4;
    // Each file needs at least its name length byte and an offset.
    if (!inside(at, fileCount) || !inside(at, std::uint64_t(fileCount) * 5))
        return noTour(why, "the file count does not fit in the container");
    std::vector<std::uint8_t> nameLengths(fileCount);
    if (!body.read(at, nameLengths.data(), nameLengths.size()))
        return noTour(why, "the name lengths cannot be read");
    at += fileCount;
    for (const std::uint8_t nameLength : nameLengths) {
        std::string name(nameLength, '\0');
        if (!body.read(at, reinterpret_cast<std::uint8_t*>(name.data()), nameLength))
            return noTour(why, "a file name reaches past the container");
        tour.fileNames.push_back(std::move(name));
        at += nameLength;
    }

    const std::uint64_t offsetsAt = std::uint64_t(tour.offsetsPosition) + 1;
    const std::uint64_t offsetsSize = 4 * (std::uint64_t(fileCount) + 1);
    std::vector<std::uint8_t> offsetBytes;
    if (!inside(offsetsAt, offsetsSize))
        return noTour(why, "the file offsets lie outside the container");
    offsetBytes.resize(std::size_t(offsetsSize));
    if (!body.read(offsetsAt, offsetBytes.data(), offsetBytes.size()))
        return noTour(why, "the file offsets cannot be read");
    for (std::size_t i = 0; i <= fileCount; ++i)
        tour.fileOffsets.push_back(getU32(offsetBytes.data() + 4 * i));
    for (std::size_t i = 0; i < fileCount; ++i) {
        if (tour.fileOffsets[i + 1] < tour.fileOffsets[i] ||
            !inside(tour.fileStart(i), tour.fileLength(i)))
            return noTour(why, "an embedded file lies outside the container");
    }

    const std::uint64_t skinCountAt = std::uint64_t(tour.skinCountPosition) + 1;
    if (!inside(skinCountAt, 4) || !body.u32(skinCountAt, tour.skinCount))
        return noTour(why, "the skin count lies outside the container");
    const std::uint64_t skinOffsetsAt = std::uint64_t(tour.trailerPosition) + 1;
    if (tour.skinCount == 0 || !inside(skinOffsetsAt, 4 * std::uint64_t(tour.skinCount)))
        return noTour(why, "the skin offsets lie outside the container");
    for (std::uint32_t i = 0; i < tour.skinCount; ++i) {
        std::uint32_t offset = 0;
        if (!body.u32(skinOffsetsAt + 4 * std::uint64_t(i), offset))
            return noTour(why, "the skin offsets cannot be read");
        tour.skinOffsets.push_back(offset);
    }

    at = std::uint64_t(tour.skinOffsets[0]) + 1;
    std::uint32_t elementCount = 0;
    if (!inside(at, 8) || !body.u32(at, tour.skinHeader) || !body.u32(at + 4, elementCount))
        return noTour(why, "the skin lies outside the container");
    at += 8;
    if (!inside(at, std::uint64_t(elementCount) * kTourElementRecordSize))
        return noTour(why, "the element count does not fit in the container");
    tour.elements.reserve(elementCount);
    for (std::uint32_t e = 0; e < elementCount; ++e) {
        std::uint8_t record[kTourElementRecordSize];
        if (!body.read(at, record, sizeof record))
            return noTour(why, "an element reaches past the container");
        at += sizeof record;
        TourElement element;
        element.top = std::int32_t(getU32(record));
        element.left = std::int32_t(getU32(record + 4));
        element.width = std::int32_t(getU32(record + 8));
        element.height = std::int32_t(getU32(record + 12));
        element.type = std::int32_t(getU32(record + 16));
        element.state = std::int32_t(getU32(record + 20));
        const int count = element.pictureCount();
        std::uint32_t sizes[3] = {};
        for (int b = 0; b < count; ++b) {
            if (!body.u32(at, sizes[b]))
                return noTour(why, "an element's bitmap sizes reach past the container");
            at += 4;
        }
        for (int b = 0; b < count; ++b) {
            if (!inside(at, sizes[b]))
                return noTour(why, "an element's bitmap reaches past the container");
            std::vector<std::uint8_t> bitmap(sizes[b]);
            if (!body.read(at, bitmap.data(), bitmap.size()))
                return noTour(why, "an element's bitmap cannot be read");
            element.bitmaps.push_back(std::move(bitmap));
            at += sizes[b];
        }
        tour.elements.push_back(std::move(element));
    }
    return tour;
}

bool copyEmbeddedFile(ByteStream& stream, const TourDescriptor& tour, std::size_t index,
                      ByteStream& out) {
    if (index >= tour.fileCount() || tour.fileOffsets.size() != tour.fileCount() + 1)
        return false;
    std::uint64_t at = tour.fileStart(index);
    std::uint64_t left = tour.fileLength(index);
    std::vector<std::uint8_t> buffer(std::size_t(std::min<std::uint64_t>(left, 1 << 16)));
    if (!stream.seek(std::int64_t(at), ByteStream::Origin::Begin))
        return false;
    while (left > 0) {
        const std::size_t want = std::size_t(std::min<std::uint64_t>(left, buffer.size()));
        const std::size_t n = stream.read(std::span(buffer.data(), want));
        if (n == 0 || !out.write(std::span(buffer.data(), n)))
            return false;
        left -= n;
        at += n;
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> readEmbeddedFile(ByteStream& stream,
                                                          const TourDescriptor& tour,
                                                          std::size_t index) {
    auto memory = MemoryStream::create();
    if (!copyEmbeddedFile(stream, tour, index, *memory))
        return std::nullopt;
    return memory->bytes();
}

}  // namespace orbpix

#include "tourfmt/TourContainer.h"

#include <algorithm>
#include <array>
#include <limits>

#include "core/BinaryReader.h"

namespace orbpix {

namespace {

constexpr std::uint64_t kMaxPosition = std::numeric_limits<std::uint32_t>::max();

void putU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(std::uint8_t(value >> shift));
}

// Element records are read field by field: six 32-bit numbers.
static_assert(kTourElementRecordSize == 6 * sizeof(std::uint32_t));

// Reads at absolute offsets of a stream of known length and refuses any read that would
// reach past the limit it was given. The bytes read are parsed with a BinaryReader.
class BoundedReader {
public:
    BoundedReader(ByteStream& stream, std::uint64_t limit) : m_stream(stream), m_limit(limit) {}

    bool fits(std::uint64_t at, std::uint64_t count) const {
        return at <= m_limit && count <= m_limit - at;
    }

    bool read(std::uint64_t at, std::span<std::uint8_t> bytes) {
        return fits(at, bytes.size()) &&
               m_stream.seek(std::int64_t(at), ByteStream::Origin::Begin) &&
               readExactly(m_stream, bytes);
    }

    // Reads count bytes at an offset into block, sized only once they are known to be
    // there, and gives a reader over them.
    bool block(std::uint64_t at, std::uint64_t count, std::vector<std::uint8_t>& block,
               BinaryReader& reader) {
        if (!fits(at, count))
            return false;
        block.resize(std::size_t(count));
        if (!read(at, block))
            return false;
        reader = BinaryReader(block);
        return true;
    }

    bool u32(std::uint64_t at, std::uint32_t& value) {
        std::uint8_t bytes[4];
        BinaryReader reader(bytes);
        return read(at, bytes) && reader.readU32LE(value);
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
    return reader.read(*length - marker.size(), marker) &&
           std::equal(marker.begin(), marker.end(), kTourMarker.begin());
}

namespace {

bool readTrailer(BoundedReader& in, std::uint64_t at, TourDescriptor& tour) {
    std::vector<std::uint8_t> bytes;
    BinaryReader trailer;
    return in.block(at, kTourTrailerTail - kTourMarker.size(), bytes, trailer) &&
           trailer.readU32LE(tour.offsetsPosition) && trailer.readU32LE(tour.trailerPosition) &&
           trailer.readU32LE(tour.containerStart) && trailer.readU32LE(tour.skinCountPosition) &&
           trailer.readU32LE(tour.version);
}

// Reads the parts of a container that the trailer points to. Every read is bounded by the
// fields before the fixed tail, and nothing lies before the container start. Each part
// gives the reason it failed, or nullptr.
class ContainerParser {
public:
    ContainerParser(ByteStream& stream, std::uint64_t limit, TourDescriptor& tour)
        : m_body(stream, limit), m_tour(tour) {}

    const char* parse() {
        const char* failure = readNames();
        if (!failure)
            failure = readFileOffsets();
        if (!failure)
            failure = readSkinOffsets();
        if (!failure)
            failure = readElements();
        return failure;
    }

private:
    bool inside(std::uint64_t at, std::uint64_t count) const {
        return at >= m_tour.containerStart && m_body.fits(at, count);
    }

    const char* readNames();
    const char* readFileOffsets();
    const char* readSkinOffsets();
    const char* readElements();
    const char* readElement(std::uint64_t& at);

    BoundedReader m_body;
    TourDescriptor& m_tour;
    std::uint32_t m_fileCount = 0;
    std::vector<std::uint8_t> m_bytes;
};

const char* ContainerParser::readNames() {
    std::uint64_t at = m_tour.containerStart;
    BinaryReader in;
    std::uint8_t captionLength = 0;
    if (!inside(at, 1) || !m_body.block(at, 1, m_bytes, in) || !in.readU8(captionLength))
        return "the container start lies outside the file";
    std::span<const std::uint8_t> caption;
    if (!m_body.block(at + 1, captionLength + 4u, m_bytes, in) ||
        !in.readBytes(captionLength, caption) || !in.readU32LE(m_fileCount))
        return "the caption reaches past the container";
    m_tour.caption.assign(caption.begin(), caption.end());
    at += 1 + captionLength + 4;
    // Each file needs at least its name length byte and an offset.
    if (!inside(at, m_fileCount) || !inside(at, std::uint64_t(m_fileCount) * 5))
        return "the file count does not fit in the container";
    std::vector<std::uint8_t> nameLengths;
    BinaryReader lengths;
    if (!m_body.block(at, m_fileCount, nameLengths, lengths))
        return "the name lengths cannot be read";
    at += m_fileCount;
    std::uint64_t namesSize = 0;
    for (const std::uint8_t nameLength : nameLengths)
        namesSize += nameLength;
    BinaryReader names;
    if (!m_body.block(at, namesSize, m_bytes, names))
        return "a file name reaches past the container";
    for (const std::uint8_t nameLength : nameLengths) {
        std::span<const std::uint8_t> name;
        if (!names.readBytes(nameLength, name))
            return "a file name reaches past the container";
        m_tour.fileNames.emplace_back(name.begin(), name.end());
    }
    return nullptr;
}

const char* ContainerParser::readFileOffsets() {
    const std::uint64_t at = std::uint64_t(m_tour.offsetsPosition) + 1;
    const std::uint64_t count = std::uint64_t(m_fileCount) + 1;
    if (!inside(at, 4 * count))
        return "the file offsets lie outside the container";
    BinaryReader offsets;
    if (!m_body.block(at, 4 * count, m_bytes, offsets))
        return "the file offsets cannot be read";
    m_tour.fileOffsets.resize(std::size_t(count));
    for (std::uint32_t& offset : m_tour.fileOffsets) {
        if (!offsets.readU32LE(offset))
            return "the file offsets cannot be read";
    }
    for (std::size_t i = 0; i < m_fileCount; ++i) {
        if (m_tour.fileOffsets[i + 1] < m_tour.fileOffsets[i] ||
            !inside(m_tour.fileStart(i), m_tour.fileLength(i)))
            return "an embedded file lies outside the container";
    }
    return nullptr;
}

const char* ContainerParser::readSkinOffsets() {
    const std::uint64_t skinCountAt = std::uint64_t(m_tour.skinCountPosition) + 1;
    if (!inside(skinCountAt, 4) || !m_body.u32(skinCountAt, m_tour.skinCount))
        return "the skin count lies outside the container";
    const std::uint64_t at = std::uint64_t(m_tour.trailerPosition) + 1;
    if (m_tour.skinCount == 0 || !inside(at, 4 * std::uint64_t(m_tour.skinCount)))
        return "the skin offsets lie outside the container";
    BinaryReader offsets;
    if (!m_body.block(at, 4 * std::uint64_t(m_tour.skinCount), m_bytes, offsets))
        return "the skin offsets cannot be read";
    m_tour.skinOffsets.resize(m_tour.skinCount);
    for (std::uint32_t& offset : m_tour.skinOffsets) {
        if (!offsets.readU32LE(offset))
            return "the skin offsets cannot be read";
    }
    return nullptr;
}

const char* ContainerParser::readElements() {
    std::uint64_t at = std::uint64_t(m_tour.skinOffsets[0]) + 1;
    BinaryReader skin;
    std::uint32_t elementCount = 0;
    if (!inside(at, 8) || !m_body.block(at, 8, m_bytes, skin) ||
        !skin.readU32LE(m_tour.skinHeader) || !skin.readU32LE(elementCount))
        return "the skin lies outside the container";
    at += 8;
    if (!inside(at, std::uint64_t(elementCount) * kTourElementRecordSize))
        return "the element count does not fit in the container";
    m_tour.elements.reserve(elementCount);
    for (std::uint32_t e = 0; e < elementCount; ++e) {
        if (const char* failure = readElement(at))
            return failure;
    }
    return nullptr;
}

const char* ContainerParser::readElement(std::uint64_t& at) {
    BinaryReader record;
    TourElement element;
    if (!m_body.block(at, kTourElementRecordSize, m_bytes, record) ||
        !record.readI32LE(element.top) || !record.readI32LE(element.left) ||
        !record.readI32LE(element.width) || !record.readI32LE(element.height) ||
        !record.readI32LE(element.type) || !record.readI32LE(element.state))
        return "an element reaches past the container";
    at += kTourElementRecordSize;
    const auto count = std::size_t(element.pictureCount());
    BinaryReader sizes;
    if (!m_body.block(at, 4 * count, m_bytes, sizes))
        return "an element's bitmap sizes reach past the container";
    at += 4 * count;
    std::uint32_t size = 0;
    while (sizes.readU32LE(size)) {
        if (!inside(at, size))
            return "an element's bitmap reaches past the container";
        std::vector<std::uint8_t> bitmap(size);
        if (!m_body.read(at, bitmap))
            return "an element's bitmap cannot be read";
        element.bitmaps.push_back(std::move(bitmap));
        at += size;
    }
    m_tour.elements.push_back(std::move(element));
    return nullptr;
}

}  // namespace

std::optional<TourDescriptor> readTourContainer(ByteStream& stream, std::string* why) {
    const auto length = streamLength(stream);
    if (!length)
        return noTour(why, "the file cannot be read");
    if (*length < kTourTrailerTail || !endsWithTourMarker(stream))
        return noTour(why, "the file does not end with the tour marker");
    // Everything but the fixed tail lies before it.
    const std::uint64_t limit = *length - kTourTrailerTail;
    TourDescriptor tour;
    BoundedReader in(stream, *length);
    if (!readTrailer(in, limit, tour))
        return noTour(why, "the trailer cannot be read");
    ContainerParser parser(stream, limit, tour);
    if (const char* failure = parser.parse())
        return noTour(why, failure);
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

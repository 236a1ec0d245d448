#include "tourfmt/Chunks.h"

#include "core/BinaryReader.h"
#include "tourfmt/BlockScrambleStream.h"
#include "tourfmt/SubStream.h"
#include "tourfmt/TextCodec.h"

namespace orbpix {

namespace {

constexpr std::int64_t kMaxChunkSize = 0x7FFFFFFF;
// A chunk header is its size word and tag; a list header adds the list type.
static_assert(kChunkHeaderSize == 2 * sizeof(std::uint32_t));
static_assert(kListHeaderSize == kChunkHeaderSize + sizeof(std::uint32_t));

}  // namespace

std::string chunkTagText(std::uint32_t tag) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = char((tag >> shift) & 0xFF);
        text.push_back(c >= 0x20 && c < 0x7F ? c : '.');
    }
    return text;
}

bool ChunkWriter::beginChunk(std::uint32_t tag) {
    const std::int64_t start = m_stream.position();
    if (start < 0 || !writeU32BE(m_stream, kChunkHeaderSize) || !writeU32BE(m_stream, tag))
        return false;
    m_open.push_back({start, false});
    return true;
}

bool ChunkWriter::beginList(std::uint32_t tag, std::uint32_t type) {
    const std::int64_t start = m_stream.position();
    if (start < 0 || !writeU32BE(m_stream, kListHeaderSize | kListFlag) ||
        !writeU32BE(m_stream, tag) || !writeU32BE(m_stream, type))
        return false;
    m_open.push_back({start, true});
    return true;
}

bool ChunkWriter::end() {
    if (m_open.empty())
        return false;
    const Open open = m_open.back();
    m_open.pop_back();
    const std::int64_t size = m_stream.position() - open.start;
    // A size that does not fit in 31 bits would turn into a different, wrong size.
    if (size < (open.list ? kListHeaderSize : kChunkHeaderSize) || size > kMaxChunkSize)
        return false;
    const std::uint32_t word = std::uint32_t(size) | (open.list ? kListFlag : 0u);
    return m_stream.seek(open.start, ByteStream::Origin::Begin) && writeU32BE(m_stream, word) &&
           m_stream.seek(open.start + size, ByteStream::Origin::Begin);
}

bool ChunkWriter::writeU32(std::uint32_t value) {
    return writeU32BE(m_stream, value);
}

bool ChunkWriter::writeBytes(std::span<const std::uint8_t> bytes) {
    return m_stream.write(bytes);
}

bool ChunkWriter::writeText(std::string_view utf8) {
    std::u16string units = utf8ToUtf16(utf8);
    if (units.size() > 0xFFFF) {
        std::size_t keep = 0xFFFF;
        if (units[keep - 1] >= 0xD800 && units[keep - 1] <= 0xDBFF)
            --keep;
        units.resize(keep);
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(2 + 2 * units.size());
    bytes.push_back(std::uint8_t(units.size() >> 8));
    bytes.push_back(std::uint8_t(units.size()));
    for (const char16_t unit : units) {
        bytes.push_back(std::uint8_t(unit >> 8));
        bytes.push_back(std::uint8_t(unit));
    }
    return m_stream.write(bytes);
}

bool ChunkWriter::writeChunk(std::uint32_t tag, std::span<const std::uint8_t> body) {
    return beginChunk(tag) && writeBytes(body) && end();
}

bool readChunkText(SubStream& body, std::string& utf8) {
    std::uint16_t count = 0;
    // The count comes from the file: the body must hold its units before they are sized.
    if (!body.readU16BE(count) || 2 * std::int64_t(count) > body.remaining())
        return false;
    std::vector<std::uint8_t> bytes(std::size_t(count) * 2);
    if (!body.readExactly(bytes))
        return false;
    BinaryReader in(bytes);
    std::u16string units(count, u'\0');
    for (char16_t& unit : units) {
        std::uint16_t value = 0;
        if (!in.readU16BE(value))
            return false;
        unit = char16_t(value);
    }
    utf8 = utf16ToUtf8(units);
    return true;
}

ChunkHandler* ChunkHandler::openList(std::uint32_t, std::uint32_t) {
    return nullptr;
}

ChunkResult ChunkHandler::readChunk(std::uint32_t, SubStream&) {
    return ChunkResult::Declined;
}

ScrambleKey keyFromChunkBody(const std::array<std::uint8_t, 16>& body) {
    BinaryReader in(body);
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0, data3 = 0;
    std::array<std::uint8_t, 8> tail{};
    // Sixteen bytes always hold the four fields.
    if (!in.readU32BE(data1) || !in.readU16BE(data2) || !in.readU16BE(data3) || !in.readInto(tail))
        return {};
    return makeScrambleKey(data1, data2, data3, tail);
}

bool ChunkReader::read(ChunkHandler& handler) {
    m_stopped = false;
    const std::int64_t begin = m_stream.position();
    if (begin < 0)
        return false;
    const auto end = streamLength(m_stream);
    if (!end)
        return false;
    return readLevel(begin, std::int64_t(*end), handler, 0);
}

bool ChunkReader::readHeader(std::int64_t at, std::span<std::uint8_t> bytes) {
    return m_stream.seek(at, ByteStream::Origin::Begin) && readExactly(m_stream, bytes);
}

bool ChunkReader::readLevel(std::int64_t begin, std::int64_t end, ChunkHandler& handler,
                            int depth) {
    std::int64_t pos = begin;
    while (!m_stopped && end - pos >= kChunkHeaderSize) {
        std::array<std::uint8_t, kListHeaderSize> header{};
        BinaryReader fields(header);
        std::uint32_t sizeWord = 0, tag = 0;
        if (!readHeader(pos, std::span(header).first(kChunkHeaderSize)) ||
            !fields.readU32BE(sizeWord) || !fields.readU32BE(tag))
            return stop();
        const bool list = (sizeWord & kListFlag) != 0;
        const std::int64_t size = sizeWord & ~kListFlag;
        // A size below the header would never move on (0 would read the same chunk
        // forever); one beyond the parent would let a body overlap its neighbours.
        if (size < (list ? kListHeaderSize : kChunkHeaderSize) || size > end - pos)
            return stop();
        if (list) {
            std::uint32_t type = 0;
            if (!readHeader(pos + kChunkHeaderSize, std::span(header).subspan(kChunkHeaderSize)) ||
                !fields.readU32BE(type))
                return stop();
            if (ChunkHandler* child = handler.openList(tag, type)) {
                if (depth + 1 >= kMaxDepth)
                    return stop();
                if (!readLevel(pos + kListHeaderSize, pos + size, *child, depth + 1))
                    return false;
            }
        } else if (tag == kKeyChunkTag && m_scrambled) {
            std::array<std::uint8_t, 16> body{};
            if (size - kChunkHeaderSize < std::int64_t(body.size()) ||
                !readHeader(pos + kChunkHeaderSize, body))
                return stop();
            // The new key applies from the first byte after the chunk on.
            if (!m_stream.seek(pos + size, ByteStream::Origin::Begin) ||
                !m_scrambled->setKey(keyFromChunkBody(body)))
                return false;
        } else {
            SubStream body(m_stream, pos + kChunkHeaderSize, size - kChunkHeaderSize);
            if (handler.readChunk(tag, body) == ChunkResult::Failed)
                return false;
        }
        pos += size;
    }
    return true;
}

bool ChunkReader::stop() {
    ++m_malformed;
    m_stopped = true;
    return true;
}

}  // namespace orbpix

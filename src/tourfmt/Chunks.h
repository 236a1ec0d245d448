#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/ByteStream.h"
#include "tourfmt/ScrambleKey.h"

namespace orbpix {

class BlockScrambleStream;
class SubStream;

// A chunk tag or list type: four ASCII letters, the first in the most significant byte.
constexpr std::uint32_t chunkTag(const char (&text)[5]) {
    return std::uint32_t(std::uint8_t(text[0])) << 24 | std::uint32_t(std::uint8_t(text[1])) << 16 |
           std::uint32_t(std::uint8_t(text[2])) << 8 | std::uint32_t(std::uint8_t(text[3]));
}
std::string chunkTagText(std::uint32_t tag);

inline constexpr std::uint32_t kListFlag = 0x80000000u;
inline constexpr std::uint32_t kChunkHeaderSize = 8;
inline constexpr std::uint32_t kListHeaderSize = 12;
// The chunk that names another key for the rest of the stream.
inline constexpr std::uint32_t kKeyChunkTag = chunkTag("ORBK");

// Writes nested chunks and lists into a seekable stream. Each chunk is written with a
// provisional size that end() replaces by the real one, so bodies of unknown length (a
// JPEG being encoded) can be written straight into the stream.
class ChunkWriter {
public:
    explicit ChunkWriter(ByteStream& stream) : m_stream(stream) {}

    [[nodiscard]] bool beginChunk(std::uint32_t tag);
    [[nodiscard]] bool beginList(std::uint32_t tag, std::uint32_t type);
    // Ends the innermost open chunk or list.
    [[nodiscard]] bool end();
    std::size_t openCount() const { return m_open.size(); }

    [[nodiscard]] bool writeU32(std::uint32_t value);
    [[nodiscard]] bool writeBytes(std::span<const std::uint8_t> bytes);
    // A UTF-8 text as a 16-bit count of UTF-16 units and the units, most significant byte
    // first. A text beyond 65535 units is cut there (never inside a surrogate pair), so the
    // count always describes what follows.
    [[nodiscard]] bool writeText(std::string_view utf8);

    // Writes one plain chunk with the given body in one go.
    [[nodiscard]] bool writeChunk(std::uint32_t tag, std::span<const std::uint8_t> body);

    // The stream the bodies go to, for encoders that write into it themselves.
    ByteStream& stream() { return m_stream; }

private:
    struct Open {
        std::int64_t start;
        bool list;
    };
    ByteStream& m_stream;
    std::vector<Open> m_open;
};

// Reads a text written by ChunkWriter::writeText; false when the body ends inside it.
[[nodiscard]] bool readChunkText(SubStream& body, std::string& utf8);

// What reading a plain chunk came to.
enum class ChunkResult { Declined, Accepted, Failed };

// Receives the chunks of one level. The defaults decline everything, so a handler names
// only the chunks it knows and the rest is skipped.
class ChunkHandler {
public:
    virtual ~ChunkHandler() = default;
    // A list: returns the handler for its body (owned by this handler), or nullptr to skip.
    virtual ChunkHandler* openList(std::uint32_t tag, std::uint32_t type);
    // A plain chunk, with its body bounded to the chunk.
    virtual ChunkResult readChunk(std::uint32_t tag, SubStream& body);
};

// Walks the chunks of a stream. Sizes come from outside and are not trusted: a chunk
// smaller than its own header, or one that reaches past its parent or the stream, ends
// reading there, as does nesting deeper than any stream of the suite needs.
class ChunkReader {
public:
    static constexpr int kMaxDepth = 32;

    // When the stream is scrambled, pass it as well, so that a key chunk can switch keys.
    explicit ChunkReader(ByteStream& stream, BlockScrambleStream* scrambled = nullptr)
        : m_stream(stream), m_scrambled(scrambled) {}

    // Reads every chunk from the current position to the end of the stream. False when
    // a handler failed or the stream could not be read; a malformed size only stops
    // reading and is counted in malformedCount().
    [[nodiscard]] bool read(ChunkHandler& handler);
    int malformedCount() const { return m_malformed; }

private:
    [[nodiscard]] bool readLevel(std::int64_t begin, std::int64_t end, ChunkHandler& handler,
                                 int depth);
    [[nodiscard]] bool readHeader(std::int64_t at, std::span<std::uint8_t> bytes);
    // Ends reading at a malformed chunk without calling it a failure.
    [[nodiscard]] bool stop();

    ByteStream& m_stream;
    BlockScrambleStream* m_scrambled;
    int m_malformed = 0;
    bool m_stopped = false;
};

// Converts the body of a key chunk (a GUID as a 32-bit, two 16-bit values and eight
// bytes, the numbers most significant byte first) into a key value.
[[nodiscard]] ScrambleKey keyFromChunkBody(const std::array<std::uint8_t, 16>& body);

}  // namespace orbpix

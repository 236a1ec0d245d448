#include "tourfmt/BlockScrambleStream.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/BinaryReader.h"

namespace orbpix {

namespace {

constexpr int kRotations[4] = {3, 15, 19, 25};

using BlockWords = std::array<std::uint32_t, 4>;

// The words of a block are taken most significant byte first.
BlockWords loadWords(std::span<const std::uint8_t, 16> block) {
    BinaryReader in(block);
    BlockWords words{};
    for (std::uint32_t& word : words) {
        if (!in.readU32BE(word))
            break;  // never: sixteen bytes hold four words
    }
    return words;
}

void storeWords(std::span<std::uint8_t, 16> block, const BlockWords& words) {
    for (std::size_t i = 0; i < 4; ++i) {
        for (std::size_t b = 0; b < 4; ++b)
            block[4 * i + b] = std::uint8_t(words[i] >> (24 - 8 * b));
    }
}

}  // namespace

WorkingKey workingKeyOf(const ScrambleKey& key) {
    std::array<std::uint8_t, 16> k{};
    // The two 16-bit fields change places, the last two groups of four are reversed.
    k[0] = key[0];
    k[1] = key[1];
    k[2] = key[2];
    k[3] = key[3];
    k[4] = key[6];
    k[5] = key[7];
    k[6] = key[4];
    k[7] = key[5];
    for (std::size_t i = 0; i < 4; ++i) {
        k[8 + i] = key[11 - i];
        k[12 + i] = key[15 - i];
    }
    // The key's words, unlike a block's, are taken least significant byte first.
    BinaryReader in(k);
    WorkingKey words{};
    for (std::uint32_t& word : words) {
        if (!in.readU32LE(word))
            break;  // never: sixteen bytes hold four words
    }
    return words;
}

void scrambleBlock(std::span<std::uint8_t, 16> block, const WorkingKey& key) {
    BlockWords words = loadWords(block);
    for (std::size_t i = 0; i < 4; ++i)
        words[i] = std::rotr(words[i] ^ key[i], kRotations[i]);
    storeWords(block, words);
}

void unscrambleBlock(std::span<std::uint8_t, 16> block, const WorkingKey& key) {
    BlockWords words = loadWords(block);
    for (std::size_t i = 0; i < 4; ++i)
        words[i] = std::rotl(words[i], kRotations[i]) ^ key[i];
    storeWords(block, words);
}

StreamRef<BlockScrambleStream> BlockScrambleStream::create(StreamRef<ByteStream> base,
                                                           const ScrambleKey& key) {
    if (!base)
        return {};
    return StreamRef<BlockScrambleStream>::adopt(new BlockScrambleStream(std::move(base), key));
}

BlockScrambleStream::BlockScrambleStream(StreamRef<ByteStream> base, const ScrambleKey& key)
    : m_base(std::move(base)), m_key(workingKeyOf(key)) {
    // Knowing where the base ends spares reading blocks that cannot be there yet, which
    // keeps sequential writing a plain sequence of writes.
    if (const auto length = streamLength(*m_base)) {
        m_baseLength = std::int64_t(*length);
        m_basePosition = m_baseLength;
    }
}

BlockScrambleStream::~BlockScrambleStream() {
    if (m_dirty)
        (void)storeBlock();
    (void)m_base->flush();
}

bool BlockScrambleStream::setKey(const ScrambleKey& key) {
    if (m_dirty && !storeBlock())
        return false;
    m_key = workingKeyOf(key);
    m_loaded = false;
    return true;
}

bool BlockScrambleStream::loadBlock() {
    m_plain.fill(0);
    m_valid = 0;
    if (m_baseLength < 0 || m_blockOffset < m_baseLength) {
        if (m_basePosition != m_blockOffset) {
            if (!m_base->seek(m_blockOffset, Origin::Begin)) {
                m_basePosition = -1;
                return false;
            }
        }
        while (m_valid < kBlockSize) {
            const std::size_t n = m_base->read(std::span(m_plain).subspan(m_valid));
            if (n == 0)
                break;
            m_valid += n;
        }
        m_basePosition = m_blockOffset + std::int64_t(m_valid);
        unscrambleBlock(std::span<std::uint8_t, 16>(m_plain), m_key);
        // Bytes the file does not hold read as zeros, so a later write never carries
        // unscrambled noise into the file.
        std::fill(m_plain.begin() + std::ptrdiff_t(m_valid), m_plain.end(), std::uint8_t(0));
    }
    m_loaded = true;
    return true;
}

bool BlockScrambleStream::storeBlock() {
    std::array<std::uint8_t, kBlockSize> scrambled = m_plain;
    scrambleBlock(std::span<std::uint8_t, 16>(scrambled), m_key);
    const std::size_t count = std::min(kBlockSize, (m_valid + 3) & ~std::size_t(3));
    if (m_basePosition != m_blockOffset && !m_base->seek(m_blockOffset, Origin::Begin)) {
        m_basePosition = -1;
        return false;
    }
    if (!m_base->write(std::span(scrambled).first(count))) {
        m_basePosition = -1;
        return false;
    }
    m_basePosition = m_blockOffset + std::int64_t(count);
    if (m_baseLength >= 0)
        m_baseLength = std::max(m_baseLength, m_basePosition);
    m_dirty = false;
    return true;
}

bool BlockScrambleStream::moveTo(std::int64_t position) {
    if (position < 0)
        return false;
    const std::int64_t block = position & ~std::int64_t(kBlockSize - 1);
    if (block != m_blockOffset || !m_loaded) {
        if (m_dirty && !storeBlock())
            return false;
        if (block != m_blockOffset) {
            m_blockOffset = block;
            m_loaded = false;
            m_valid = 0;
        }
    }
    m_inBlock = std::size_t(position - block);
    return true;
}

std::size_t BlockScrambleStream::read(std::span<std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (m_inBlock >= kBlockSize && !moveTo(position()))
            break;
        if (!m_loaded && !loadBlock())
            break;
        if (m_inBlock >= m_valid)
            break;  // the end of what the stream holds
        const std::size_t n = std::min(bytes.size() - done, m_valid - m_inBlock);
        std::memcpy(bytes.data() + done, m_plain.data() + m_inBlock, n);
        m_inBlock += n;
        done += n;
    }
    return done;
}

bool BlockScrambleStream::write(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (m_inBlock >= kBlockSize && !moveTo(position()))
            return false;
        if (!m_loaded && !loadBlock())
            return false;
        const std::size_t n = std::min(bytes.size() - done, kBlockSize - m_inBlock);
        std::memcpy(m_plain.data() + m_inBlock, bytes.data() + done, n);
        m_inBlock += n;
        m_valid = std::max(m_valid, m_inBlock);
        m_dirty = true;
        done += n;
        if (m_inBlock == kBlockSize && !storeBlock())
            return false;
    }
    return true;
}

bool BlockScrambleStream::seek(std::int64_t offset, Origin origin) {
    std::int64_t base = 0;
    if (origin == Origin::Current)
        base = position();
    else if (origin == Origin::End)
        base = length();
    if (base < 0)
        return false;
    return moveTo(base + offset);
}

bool BlockScrambleStream::flush() {
    if (m_dirty && !storeBlock())
        return false;
    return m_base->flush();
}

std::int64_t BlockScrambleStream::length() {
    if (m_baseLength < 0) {
        const auto length = streamLength(*m_base);
        // A failed attempt may still have moved the base stream.
        m_basePosition = length ? std::int64_t(*length) : -1;
        if (!length)
            return -1;
        m_baseLength = m_basePosition;
    }
    std::int64_t end = m_baseLength;
    if (m_dirty)
        end = std::max(end, m_blockOffset + std::int64_t((m_valid + 3) & ~std::size_t(3)));
    return end;
}

}  // namespace orbpix

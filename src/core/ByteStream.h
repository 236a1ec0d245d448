#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace orbpix {

// A byte stream shared by several owners: the encoder, the chunk writer and whoever opened
// it each hold a reference, and the last release destroys it. Streams are created with one
// reference, which belongs to the creator.
class ByteStream {
public:
    enum class Origin { Begin, Current, End };

    ByteStream(const ByteStream&) = delete;
    ByteStream& operator=(const ByteStream&) = delete;

    void addRef() noexcept { m_refs.fetch_add(1, std::memory_order_relaxed); }
    void release() noexcept;

    // Writes all bytes or reports failure.
    [[nodiscard]] virtual bool write(std::span<const std::uint8_t> bytes) = 0;
    // Reads up to bytes.size() bytes and returns how many were read (0 at the end).
    [[nodiscard]] virtual std::size_t read(std::span<std::uint8_t> bytes);
    [[nodiscard]] virtual bool seek(std::int64_t offset, Origin origin);
    [[nodiscard]] virtual std::int64_t position() const { return -1; }
    [[nodiscard]] virtual bool flush() { return true; }

protected:
    ByteStream() = default;
    virtual ~ByteStream() = default;

private:
    std::atomic<int> m_refs{1};
};

// Owning handle for one reference of a stream.
template <class T>
class StreamRef {
public:
    StreamRef() = default;
    // Adopts the reference the caller holds (typically the creator's).
    static StreamRef adopt(T* stream) {
        StreamRef r;
        r.m_stream = stream;
        return r;
    }
    StreamRef(const StreamRef& other) : m_stream(other.m_stream) {
        if (m_stream)
            m_stream->addRef();
    }
    StreamRef(StreamRef&& other) noexcept : m_stream(std::exchange(other.m_stream, nullptr)) {}
    StreamRef& operator=(StreamRef other) noexcept {
        std::swap(m_stream, other.m_stream);
        return *this;
    }
    ~StreamRef() {
        if (m_stream)
            m_stream->release();
    }
    T* get() const { return m_stream; }
    T* operator->() const { return m_stream; }
    T& operator*() const { return *m_stream; }
    explicit operator bool() const { return m_stream != nullptr; }

private:
    T* m_stream = nullptr;
};

// A growable stream in memory.
class MemoryStream final : public ByteStream {
public:
    static StreamRef<MemoryStream> create() {
        return StreamRef<MemoryStream>::adopt(new MemoryStream);
    }

    [[nodiscard]] bool write(std::span<const std::uint8_t> bytes) override;
    [[nodiscard]] std::size_t read(std::span<std::uint8_t> bytes) override;
    [[nodiscard]] bool seek(std::int64_t offset, Origin origin) override;
    [[nodiscard]] std::int64_t position() const override {
        return static_cast<std::int64_t>(m_pos);
    }

    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }

private:
    MemoryStream() = default;
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_pos = 0;
};

// A stream over a file opened for reading and writing or for writing only.
class FileStream final : public ByteStream {
public:
    enum class Mode { Read, Create, ReadWrite };
    // Returns an empty reference when the file cannot be opened.
    static StreamRef<FileStream> open(const std::string& path, Mode mode);

    [[nodiscard]] bool write(std::span<const std::uint8_t> bytes) override;
    [[nodiscard]] std::size_t read(std::span<std::uint8_t> bytes) override;
    [[nodiscard]] bool seek(std::int64_t offset, Origin origin) override;
    [[nodiscard]] std::int64_t position() const override;
    [[nodiscard]] bool flush() override;

private:
    explicit FileStream(std::FILE* file) : m_file(file) {}
    ~FileStream() override;
    std::FILE* m_file;
};

// Big-endian integers, the byte order of every stream format of the suite.
[[nodiscard]] bool writeU32BE(ByteStream& stream, std::uint32_t value);
[[nodiscard]] bool writeU16BE(ByteStream& stream, std::uint16_t value);

// Reads exactly bytes.size() bytes, however the stream splits them; false at an early end.
[[nodiscard]] bool readExactly(ByteStream& stream, std::span<std::uint8_t> bytes);

// The stream's length, found by seeking to its end, where the stream is left. Nothing when
// the stream cannot seek or tell its position.
[[nodiscard]] std::optional<std::uint64_t> streamLength(ByteStream& stream);

}  // namespace orbpix

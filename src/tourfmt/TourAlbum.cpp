#include "tourfmt/TourAlbum.h"

#include <cstdio>
#include <memory>

#include "tourfmt/BlockScrambleStream.h"
#include "tourfmt/SubStream.h"

namespace orbpix {

namespace {

constexpr std::uint32_t kVers = chunkTag("VERS");
constexpr std::uint32_t kTour = chunkTag("TOUR");
constexpr std::uint32_t kTitl = chunkTag("TITL");
constexpr std::uint32_t kInfo = chunkTag("INFO");
constexpr std::uint32_t kImag = chunkTag("IMAG");
constexpr std::uint32_t kPhir = chunkTag("PHIR");
constexpr std::uint32_t kJpeg = chunkTag("JPEG");

// The picture records are kept in the reader's album; a handler per level finds its place.
class PictureHandler final : public ChunkHandler {
public:
    explicit PictureHandler(TourPicture& picture) : m_picture(picture) {}
    ChunkResult readChunk(std::uint32_t tag, SubStream& body) override {
        if (tag == kTitl) {
            if (!readChunkText(body, m_picture.name))
                return ChunkResult::Declined;
            return ChunkResult::Accepted;
        }
        if (tag == kPhir) {
            std::uint32_t first = 0, second = 0;
            // Both angles or neither: half a pair is no angle.
            if (!body.readU32BE(first) || !body.readU32BE(second))
                return ChunkResult::Declined;
            m_picture.firstAngle = std::int32_t(first);
            m_picture.secondAngle = std::int32_t(second);
            return ChunkResult::Accepted;
        }
        if (tag == kJpeg) {
            std::vector<std::uint8_t> bytes(std::size_t(body.length()));
            if (!body.readExactly(bytes))
                return ChunkResult::Declined;
            m_picture.jpeg = std::move(bytes);
            return ChunkResult::Accepted;
        }
        return ChunkResult::Declined;
    }

private:
    TourPicture& m_picture;
};

class AlbumHandler final : public ChunkHandler {
public:
    explicit AlbumHandler(TourAlbum& album) : m_album(album) {}
    ChunkHandler* openList(std::uint32_t, std::uint32_t type) override {
        if (type != kImag)
            return nullptr;
        m_album.pictures.emplace_back();
        m_picture = std::make_unique<PictureHandler>(m_album.pictures.back());
        return m_picture.get();
    }
    ChunkResult readChunk(std::uint32_t tag, SubStream& body) override {
        if (tag == kTitl)
            return readChunkText(body, m_album.title) ? ChunkResult::Accepted
                                                      : ChunkResult::Declined;
        if (tag == kInfo) {
            TourInfo info;
            if (!readChunkText(body, info.authorName) || !readChunkText(body, info.authorAddress) ||
                !readChunkText(body, info.authorHomePage))
                return ChunkResult::Declined;
            m_album.info = std::move(info);
            return ChunkResult::Accepted;
        }
        return ChunkResult::Declined;
    }

private:
    TourAlbum& m_album;
    std::unique_ptr<PictureHandler> m_picture;
};

class RootHandler final : public ChunkHandler {
public:
    explicit RootHandler(TourAlbum& album) : m_album(album) {}
    ChunkHandler* openList(std::uint32_t, std::uint32_t type) override {
        return type == kTour ? &m_album : nullptr;
    }

private:
    AlbumHandler m_album;
};

class FileHandler final : public ChunkHandler {
public:
    explicit FileHandler(TourAlbum& album) : m_root(album) {}
    ChunkHandler* openList(std::uint32_t tag, std::uint32_t type) override {
        return tag == kTourRootTag && type == kTourRootType ? &m_root : nullptr;
    }

private:
    RootHandler m_root;
};

}  // namespace

bool TourAlbumWriter::begin(const std::string& title, const std::optional<TourInfo>& info) {
    if (!m_chunks.beginList(kTourRootTag, kTourRootType) || !m_chunks.beginChunk(kVers) ||
        !m_chunks.writeU32(kTourVersion) || !m_chunks.end() || !m_chunks.beginList(kTour, kTour) ||
        !m_chunks.beginChunk(kTitl) || !m_chunks.writeText(title) || !m_chunks.end())
        return false;
    if (info) {
        if (!m_chunks.beginChunk(kInfo) || !m_chunks.writeText(info->authorName) ||
            !m_chunks.writeText(info->authorAddress) || !m_chunks.writeText(info->authorHomePage) ||
            !m_chunks.end())
            return false;
    }
    return true;
}

bool TourAlbumWriter::beginPicture(const std::string& name, std::int32_t bottomAngle,
                                   std::int32_t topAngle) {
    return m_chunks.beginList(kImag, kImag) && m_chunks.beginChunk(kTitl) &&
           m_chunks.writeText(name) && m_chunks.end() && m_chunks.beginChunk(kPhir) &&
           m_chunks.writeU32(std::uint32_t(bottomAngle)) &&
           m_chunks.writeU32(std::uint32_t(topAngle)) && m_chunks.end() &&
           m_chunks.beginChunk(kJpeg);
}

bool TourAlbumWriter::endPicture() {
    return m_chunks.end() && m_chunks.end();
}

bool TourAlbumWriter::addPicture(const TourPicture& picture) {
    return beginPicture(picture.name, picture.firstAngle, picture.secondAngle) &&
           m_chunks.writeBytes(picture.jpeg) && endPicture();
}

bool TourAlbumWriter::finish() {
    // The album list and the root.
    return m_chunks.openCount() == 2 && m_chunks.end() && m_chunks.end() &&
           m_chunks.stream().flush();
}

bool writeTourAlbumFile(const TourAlbum& album, const std::string& path, const ScrambleKey& key) {
    auto file = FileStream::open(path, FileStream::Mode::Create);
    if (!file)
        return false;
    bool written = false;
    {
        auto scrambled = BlockScrambleStream::create(shareStream(file), key);
        TourAlbumWriter writer(*scrambled);
        written = writer.begin(album.title, album.info);
        for (std::size_t i = 0; written && i < album.pictures.size(); ++i)
            written = writer.addPicture(album.pictures[i]);
        written = written && writer.finish();
    }
    file = {};
    // A half-written album would show as a shorter one; better none at all.
    if (!written)
        std::remove(path.c_str());
    return written;
}

TourAlbum readTourAlbum(ByteStream& stream, BlockScrambleStream* scrambled) {
    TourAlbum album;
    FileHandler handler(album);
    ChunkReader reader(stream, scrambled);
    (void)reader.read(handler);
    return album;
}

std::optional<TourAlbum> readTourAlbumFile(const std::string& path, const ScrambleKey& key) {
    auto file = FileStream::open(path, FileStream::Mode::Read);
    if (!file)
        return std::nullopt;
    auto scrambled = BlockScrambleStream::create(shareStream(file), key);
    if (!scrambled->seek(0, ByteStream::Origin::Begin))
        return std::nullopt;
    return readTourAlbum(*scrambled, scrambled.get());
}

}  // namespace orbpix

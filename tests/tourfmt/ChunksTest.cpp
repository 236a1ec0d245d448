#include "tourfmt/Chunks.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "support/TourTestSupport.h"
#include "tourfmt/SubStream.h"
#include "tourfmt/TextCodec.h"

namespace orbpix {
namespace {

using test::Bytes;

// Records every chunk it sees as "TAG:body-size", lists as "[TYPE" … "]".
class Recorder final : public ChunkHandler {
public:
    explicit Recorder(std::vector<std::string>& log, std::set<std::uint32_t> declined = {})
        : m_log(log), m_declined(std::move(declined)) {}
    ChunkHandler* openList(std::uint32_t, std::uint32_t type) override {
        if (m_declined.count(type))
            return nullptr;
        m_log.push_back("[" + chunkTagText(type));
        m_children.push_back(std::make_unique<Recorder>(m_log, m_declined));
        return m_children.back().get();
    }
    ChunkResult readChunk(std::uint32_t tag, SubStream& body) override {
        if (m_declined.count(tag))
            return ChunkResult::Declined;
        m_log.push_back(chunkTagText(tag) + ":" + std::to_string(body.length()));
        // A body cannot be read past its end.
        std::vector<std::uint8_t> all(std::size_t(body.length()) + 10);
        EXPECT_EQ(body.read(all), std::size_t(body.length()));
        return tag == chunkTag("FAIL") ? ChunkResult::Failed : ChunkResult::Accepted;
    }

private:
    std::vector<std::string>& m_log;
    std::set<std::uint32_t> m_declined;
    std::vector<std::unique_ptr<Recorder>> m_children;
};

std::vector<std::string> readLog(const Bytes& bytes, int* malformed = nullptr, bool* ok = nullptr) {
    auto stream = test::memoryStreamOf(bytes);
    std::vector<std::string> log;
    Recorder recorder(log);
    ChunkReader reader(*stream);
    const bool result = reader.read(recorder);
    if (ok)
        *ok = result;
    if (malformed)
        *malformed = reader.malformedCount();
    return log;
}

TEST(ChunkWriter, PatchesSizesOfNestedChunksAndLists) {
    auto stream = MemoryStream::create();
    ChunkWriter writer(*stream);
    ASSERT_TRUE(writer.beginList(chunkTag("ROOT"), chunkTag("LIST")));
    ASSERT_TRUE(writer.writeChunk(chunkTag("ABCD"), Bytes{1, 2, 3}));
    ASSERT_TRUE(writer.beginChunk(chunkTag("TEXT")));
    ASSERT_TRUE(writer.writeText(""));
    ASSERT_TRUE(writer.end());
    ASSERT_TRUE(writer.end());
    EXPECT_FALSE(writer.end());  // nothing open any more

    Bytes expected;
    test::putWord(expected, 0x80000000u | (12 + 11 + 10));
    test::putWord(expected, chunkTag("ROOT"));
    test::putWord(expected, chunkTag("LIST"));
    test::putWord(expected, 11);
    test::putWord(expected, chunkTag("ABCD"));
    expected.insert(expected.end(), {1, 2, 3});
    test::putWord(expected, 10);
    test::putWord(expected, chunkTag("TEXT"));
    expected.insert(expected.end(), {0, 0});  // an empty text is its count alone
    EXPECT_EQ(stream->bytes(), expected);
    EXPECT_EQ(stream->position(), std::int64_t(expected.size()));
}

TEST(ChunkText, RoundTripsNonAsciiAndSurrogatePairs) {
    const std::string text = "Zürich – 東京 \xF0\x9F\x8C\x84";
    auto stream = MemoryStream::create();
    ChunkWriter writer(*stream);
    ASSERT_TRUE(writer.writeText(text));
    // "Zürich – " is 9 units, then two CJK units, a blank and one surrogate pair.
    EXPECT_EQ(stream->bytes()[0], 0);
    EXPECT_EQ(stream->bytes()[1], 14);
    EXPECT_EQ(stream->bytes()[2 + 2 * 12], 0xD8);  // the high surrogate, most significant first
    SubStream body(*stream, 0, std::int64_t(stream->bytes().size()));
    std::string back;
    ASSERT_TRUE(readChunkText(body, back));
    EXPECT_EQ(back, text);
}

TEST(ChunkText, MalformedUtf8AndLoneSurrogatesBecomeReplacements) {
    EXPECT_EQ(utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(utf8ToUtf16("\xC3"), u"\uFFFD");
    EXPECT_EQ(utf8ToUtf16("\xE0\x80\x80"), u"\uFFFD");  // overlong
    EXPECT_EQ(utf16ToUtf8(u"x\xD800y"), "x\xEF\xBF\xBDy");
}

TEST(ChunkText, ATextBeyondTheCountIsCutWithoutSplittingAPair) {
    std::string text(65534, 'a');
    text += "\xF0\x9F\x8C\x84";  // one pair at units 65534 and 65535
    auto stream = MemoryStream::create();
    ChunkWriter writer(*stream);
    ASSERT_TRUE(writer.writeText(text));
    EXPECT_EQ(stream->bytes()[0], 0xFF);
    EXPECT_EQ(stream->bytes()[1], 0xFE);
    EXPECT_EQ(stream->bytes().size(), 2u + 2 * 65534);
}

TEST(ChunkText, ATruncatedTextIsNotRead) {
    auto stream = test::memoryStreamOf(Bytes{0, 3, 0, 'a', 0});
    SubStream body(*stream, 0, 5);
    std::string text = "unchanged";
    EXPECT_FALSE(readChunkText(body, text));
}

TEST(ChunkReader, SkipsDeclinedListsAndUnknownChunks) {
    auto stream = MemoryStream::create();
    ChunkWriter writer(*stream);
    ASSERT_TRUE(writer.beginList(0, chunkTag("KEEP")));
    ASSERT_TRUE(writer.writeChunk(chunkTag("AAAA"), Bytes(5)));
    ASSERT_TRUE(writer.beginList(0, chunkTag("SKIP")));
    ASSERT_TRUE(writer.writeChunk(chunkTag("HIDE"), Bytes(2)));
    ASSERT_TRUE(writer.end());
    ASSERT_TRUE(writer.writeChunk(chunkTag("BBBB"), Bytes(1)));
    ASSERT_TRUE(writer.end());
    ASSERT_TRUE(writer.writeChunk(chunkTag("TOP2"), {}));

    ASSERT_TRUE(stream->seek(0, ByteStream::Origin::Begin));
    std::vector<std::string> log;
    Recorder recorder(log, {chunkTag("SKIP")});
    ChunkReader reader(*stream);
    ASSERT_TRUE(reader.read(recorder));
    EXPECT_EQ(log, (std::vector<std::string>{"[KEEP", "AAAA:5", "BBBB:1", "TOP2:0"}));
    EXPECT_EQ(reader.malformedCount(), 0);
}

TEST(ChunkReader, AFailingHandlerStopsReading) {
    Bytes bytes;
    test::putWord(bytes, 8);
    test::putWord(bytes, chunkTag("FAIL"));
    test::putWord(bytes, 8);
    test::putWord(bytes, chunkTag("NEXT"));
    bool ok = true;
    EXPECT_EQ(readLog(bytes, nullptr, &ok), std::vector<std::string>{"FAIL:0"});
    EXPECT_FALSE(ok);
}

TEST(ChunkReader, MalformedSizesEndReadingCleanly) {
    struct Case {
        const char* what;
        Bytes bytes;
        std::vector<std::string> seen;
    };
    Bytes zeroSize;  // would read the same chunk for ever
    test::putWord(zeroSize, 9);
    test::putWord(zeroSize, chunkTag("GOOD"));
    zeroSize.push_back(7);
    test::putWord(zeroSize, 0);
    test::putWord(zeroSize, chunkTag("LOOP"));
    Bytes listBelowHeader;
    test::putWord(listBelowHeader, 0x80000000u | 8);
    test::putWord(listBelowHeader, 0);
    test::putWord(listBelowHeader, chunkTag("TYPE"));
    Bytes pastTheEnd;
    test::putWord(pastTheEnd, 100);
    test::putWord(pastTheEnd, chunkTag("LONG"));
    Bytes pastTheParent;  // the list claims 20 bytes, its child 30
    test::putWord(pastTheParent, 0x80000000u | 20);
    test::putWord(pastTheParent, 0);
    test::putWord(pastTheParent, chunkTag("LIST"));
    test::putWord(pastTheParent, 30);
    test::putWord(pastTheParent, chunkTag("KIDS"));
    pastTheParent.resize(60);
    Bytes shortHeader = {0, 0, 0};

    for (const Case& c :
         {Case{"size 0", zeroSize, {"GOOD:1"}}, Case{"list below its header", listBelowHeader, {}},
          Case{"past the end", pastTheEnd, {}}, Case{"past the parent", pastTheParent, {"[LIST"}},
          Case{"three bytes", shortHeader, {}}}) {
        int malformed = 0;
        bool ok = false;
        EXPECT_EQ(readLog(c.bytes, &malformed, &ok), c.seen) << c.what;
        EXPECT_TRUE(ok) << c.what;
        EXPECT_EQ(malformed, c.what == std::string("three bytes") ? 0 : 1) << c.what;
    }
}

TEST(ChunkReader, NestingIsBounded) {
    auto stream = MemoryStream::create();
    ChunkWriter writer(*stream);
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(writer.beginList(0, chunkTag("DEEP")));
    while (writer.openCount() > 0)
        ASSERT_TRUE(writer.end());
    int malformed = 0;
    const auto log = readLog(stream->bytes(), &malformed);
    EXPECT_EQ(log.size(), std::size_t(ChunkReader::kMaxDepth));
    EXPECT_EQ(malformed, 1);
}

TEST(ChunkReader, EveryTruncationReadsAPrefix) {
    auto stream = MemoryStream::create();
    ChunkWriter writer(*stream);
    ASSERT_TRUE(writer.beginList(0, chunkTag("LIST")));
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(writer.writeChunk(chunkTag("ITEM"), Bytes(std::size_t(i) * 3)));
    ASSERT_TRUE(writer.end());
    const Bytes& full = stream->bytes();
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        const Bytes part(full.begin(), full.begin() + std::ptrdiff_t(cut));
        const auto log = readLog(part);
        // The list no longer fits, so nothing inside it may be reported.
        EXPECT_TRUE(log.empty()) << cut;
    }
    EXPECT_EQ(readLog(full).size(), 5u);
}

}  // namespace
}  // namespace orbpix

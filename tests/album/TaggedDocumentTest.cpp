#include "album/TaggedDocument.h"

#include <gtest/gtest.h>

#include <string>

namespace orbpix {
namespace {

using namespace std::string_literals;

TaggedDocument readOk(const std::string& bytes) {
    TaggedDocument document;
    EXPECT_TRUE(document.read(bytes)) << bytes;
    return document;
}

TaggedDocument::NodeId childId(const TaggedDocument& d, TaggedDocument::NodeId parent,
                               std::size_t i) {
    return d.children(parent).at(i);
}

const TaggedDocument::Node& child(const TaggedDocument& d, TaggedDocument::NodeId parent,
                                  std::size_t i) {
    return d.node(childId(d, parent, i));
}

TEST(TaggedDocumentWrite, ElementsAttributesAndTextAsTheFileHoldsThem) {
    TaggedDocument document;
    const auto root = document.createRoot("ORBALBUM");
    const auto item = document.addElement(root, "ORBITEM");
    document.setAttribute(item, "id", "a.jpg");
    document.setAttribute(item, "ID", "b.jpg");  // same attribute, any case
    const auto info = document.addElement(item, "ORBINFO");
    document.setAttribute(info, "id", "NAME");
    document.addText(info, " Kitchen ");
    EXPECT_EQ(document.write(),
              "<ORBALBUM>\r\r\n"
              "<ORBITEM id=\"b.jpg\">\r\r\n"
              "<ORBINFO id=\"NAME\">\r\r\n"
              " Kitchen </ORBINFO>\r\r\n"
              "</ORBITEM>\r\r\n"
              "</ORBALBUM>\r\r\n");
}

TEST(TaggedDocumentWrite, TextLineFeedsGainACarriageReturnAsInTextMode) {
    TaggedDocument document;
    document.addText(document.createRoot("R"), "a\nb");
    EXPECT_EQ(document.write(), "<R>\r\r\na\r\nb</R>\r\r\n");
}

TEST(TaggedDocumentRead, AnyLineEndReadsTheSame) {
    for (const std::string& end : {"\r\r\n"s, "\r\n"s, "\n"s, ""s}) {
        const auto d =
            readOk("<ORBALBUM>" + end + "<ORBITEM id=\"x\">" + end + "<ORBINFO id=\"N\">" + end +
                   "va\tl" + end + "</ORBINFO>" + end + "</ORBITEM>" + end + "</ORBALBUM>" + end);
        const auto item = childId(d, d.root(), 0);
        EXPECT_EQ(d.node(item).text, "ORBITEM");
        ASSERT_EQ(d.children(item).size(), 1u);
        const auto info = childId(d, item, 0);
        ASSERT_EQ(d.children(info).size(), 1u);
        EXPECT_EQ(child(d, info, 0).text, "val") << "control bytes are dropped";
    }
}

TEST(TaggedDocumentRead, AttributeRules) {
    // Names match in any case; white space around "=" is allowed; the first broken pair
    // ends the list.
    auto d = readOk("<E ID = \"1\" b=\"2\" c=3 d=\"4\">");
    EXPECT_EQ(d.attribute(d.root(), "id"), "1");
    EXPECT_EQ(d.attribute(d.root(), "B"), "2");
    EXPECT_FALSE(d.attribute(d.root(), "c"));
    EXPECT_FALSE(d.attribute(d.root(), "d"));

    // Exactly one space ends the name: a second one belongs to the attribute's name.
    d = readOk("<E  id=\"1\">");
    EXPECT_FALSE(d.attribute(d.root(), "id"));
    EXPECT_EQ(d.attribute(d.root(), " id"), "1");

    // A value without its closing quote is no attribute.
    d = readOk("<E id=\"1>");
    EXPECT_FALSE(d.attribute(d.root(), "id"));

    // ">" inside a value ends the tag; the rest is text.
    d = readOk("<E id=\"a>b\">");
    EXPECT_FALSE(d.attribute(d.root(), "id"));
    ASSERT_EQ(d.children(d.root()).size(), 1u);
    EXPECT_EQ(child(d, d.root(), 0).text, "b\">");
}

TEST(TaggedDocumentRead, DocumentLevelRules) {
    TaggedDocument d;
    EXPECT_FALSE(d.read("")) << "no element";
    EXPECT_FALSE(d.read("just text")) << "no element";
    EXPECT_FALSE(d.read("<>\r\n<ORBALBUM>")) << "an empty tag before the root";
    EXPECT_FALSE(d.read("<ORBALBUM><ORBITEM></orbitem></ORBALBUM>"))
        << "closing tags match in exact case";
    EXPECT_FALSE(d.hasRoot());

    // Declarations and text before the root are passed over, empty tags inside ignored,
    // anything after the root's end tag never read.
    d = readOk("text<?xml version=\"1.0\"?><R><><A></A></R><broken></other>");
    EXPECT_EQ(d.node(d.root()).text, "R");
    ASSERT_EQ(d.children(d.root()).size(), 1u);
    EXPECT_EQ(child(d, d.root(), 0).text, "A");

    // The end of the file completes every open element.
    d = readOk("<R><A><B>t");
    const auto a = childId(d, d.root(), 0);
    EXPECT_EQ(d.node(a).text, "A");
    EXPECT_EQ(child(d, childId(d, a, 0), 0).text, "t");
}

TEST(TaggedDocumentRead, ZeroByteEndsARun) {
    // The zero ends the text run; what follows it is read as the next tag.
    const auto d = readOk("<R>ab\0c>d"s);
    ASSERT_EQ(d.children(d.root()).size(), 2u);
    EXPECT_EQ(child(d, d.root(), 0).kind, TagNodeKind::Text);
    EXPECT_EQ(child(d, d.root(), 0).text, "ab");
    const auto c = childId(d, d.root(), 1);
    EXPECT_EQ(d.node(c).kind, TagNodeKind::Element);
    EXPECT_EQ(d.node(c).text, "c");
    EXPECT_EQ(child(d, c, 0).text, "d");
}

TEST(TaggedDocumentRead, DeepNestingNeitherRecursesNorFails) {
    std::string bytes;
    constexpr int kDepth = 200000;
    for (int i = 0; i < kDepth; ++i)
        bytes += "<a x=\"1\">";
    TaggedDocument d;
    ASSERT_TRUE(d.read(bytes));
    EXPECT_EQ(d.nodeCount(), std::size_t(kDepth));
    const std::string written = d.write();
    TaggedDocument again;
    ASSERT_TRUE(again.read(written));
    EXPECT_EQ(again.nodeCount(), std::size_t(kDepth));
    EXPECT_EQ(again.write(), written);
}

TEST(TaggedDocumentRead, WrittenDocumentsReadBackToTheSameBytes) {
    TaggedDocument d;
    const auto root = d.createRoot("ORBALBUM");
    for (int i = 0; i < 5; ++i) {
        const auto item = d.addElement(root, "ORBITEM");
        d.setAttribute(item, "path", "/x/" + std::to_string(i) + " q.jpg");
        const auto info = d.addElement(item, "ORBINFO");
        d.setAttribute(info, "id", "CC");
        d.addText(info, std::to_string(i) + ",-3,\"7\">");
    }
    const std::string bytes = d.write();
    EXPECT_EQ(readOk(bytes).write(), bytes);
}

}  // namespace
}  // namespace orbpix

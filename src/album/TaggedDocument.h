#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orbpix {

struct TagAttribute {
    std::string name;
    std::string value;
};

enum class TagNodeKind { Element, Text, Declaration };

// The album file's tagged text held in memory: elements with attributes, runs of text and
// declarations. Nodes live in one array and refer to their children by index, so neither
// reading, writing nor destroying a deeply nested document recurses.
class TaggedDocument {
public:
    using NodeId = std::size_t;

    static constexpr NodeId kNoNode = NodeId(-1);

    // Children are linked first to last, so that a node costs no list of its own.
    struct Node {
        TagNodeKind kind = TagNodeKind::Element;
        // The element's name, the text's bytes or the declaration's content.
        std::string text;
        std::vector<TagAttribute> attributes;
        NodeId firstChild = kNoNode;
        NodeId lastChild = kNoNode;
        NodeId nextSibling = kNoNode;
        std::size_t childCount = 0;
    };

    bool hasRoot() const { return !m_nodes.empty(); }
    NodeId root() const { return 0; }
    const Node& node(NodeId id) const { return m_nodes[id]; }
    std::size_t nodeCount() const { return m_nodes.size(); }
    // The children of a node, first to last.
    std::vector<NodeId> children(NodeId id) const;

    // Building. The root replaces whatever the document held.
    NodeId createRoot(std::string_view name);
    NodeId addElement(NodeId parent, std::string_view name);
    NodeId addText(NodeId parent, std::string_view text);
    // Replaces the value of an attribute of the same name (any case) or appends one.
    void setAttribute(NodeId element, std::string_view name, std::string_view value);
    // The value of an element's attribute, its name matched without regard to case.
    std::optional<std::string_view> attribute(NodeId element, std::string_view name) const;

    // Reads a document from the bytes of a file; false (and an empty document) when it has
    // no element or is malformed beyond what the reading rules accept.
    [[nodiscard]] bool read(std::string_view bytes);
    // The bytes of the file: no indentation, every line ending in CR CR LF.
    std::string write() const;

private:
    NodeId addNode(NodeId parent, TagNodeKind kind, std::string_view text);

    std::vector<Node> m_nodes;
};

}  // namespace orbpix

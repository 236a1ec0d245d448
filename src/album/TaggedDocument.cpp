#include "album/TaggedDocument.h"

#include <algorithm>
#include <utility>

#include "album/TextCompare.h"

namespace orbpix {

namespace {

enum class TokenKind { End, Text, EmptyTag, Declaration, Element };

// Views into the file's bytes, or into the tokenizer's own copy when a run held control
// bytes; valid until the next token.
struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text;  // text, declaration content or element name
    std::string_view attributeText;
};

bool isWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Splits the file into alternating runs: text up to "<", then a tag up to ">". Control
// bytes are dropped from every run and a zero byte ends a run as its stop byte does.
class Tokenizer {
public:
    explicit Tokenizer(std::string_view bytes) : m_bytes(bytes) {}

    Token next() {
        Token token;
        for (;;) {
            if (m_pos >= m_bytes.size())
                return token;
            if (!m_inTag) {
                m_inTag = true;
                const std::string_view text = run('<');
                if (!text.empty()) {
                    token.kind = TokenKind::Text;
                    token.text = text;
                    return token;
                }
                continue;
            }
            m_inTag = false;
            const std::string_view content = run('>');
            if (content.empty()) {
                token.kind = TokenKind::EmptyTag;
            } else if (content[0] == '?') {
                token.kind = TokenKind::Declaration;
                token.text = content;
            } else {
                token.kind = TokenKind::Element;
                std::size_t end = 0;
                while (end < content.size() && !isWhiteSpace(content[end]))
                    ++end;
                token.text = content.substr(0, end);
                if (end < content.size())
                    token.attributeText = content.substr(end + 1);
            }
            return token;
        }
    }

private:
    std::string_view run(char stop) {
        const std::string_view rest = m_bytes.substr(m_pos);
        std::size_t end = rest.find(stop);
        if (end == std::string_view::npos)
            end = rest.size();
        std::string_view raw = rest.substr(0, end);
        // Most runs hold no control byte (nor zero) and are taken in one piece.
        unsigned char control = 0;
        for (const char c : raw)
            control |= static_cast<unsigned char>(c) < 0x20;
        if (control) {
            if (const std::size_t zero = raw.find('\0'); zero != std::string_view::npos) {
                raw = raw.substr(0, zero);
                end = zero;
            }
        }
        m_pos += std::min(end + 1, rest.size());
        if (!control)
            return raw;
        m_kept.clear();
        for (const char c : raw) {
            if (static_cast<unsigned char>(c) >= 0x20)
                m_kept.push_back(c);
        }
        return m_kept;
    }

    std::string_view m_bytes;
    std::size_t m_pos = 0;
    bool m_inTag = false;
    std::string m_kept;
};

// name="value" pairs; the first one that breaks the pattern ends the list. The first name
// starts right after the single space that ended the element name.
void readAttributes(TaggedDocument& document, TaggedDocument::NodeId element,
                    std::string_view text) {
    std::size_t pos = 0;
    for (;;) {
        const std::size_t equals = text.find('=', pos);
        if (equals == std::string_view::npos)
            return;
        std::size_t nameEnd = equals;
        while (nameEnd > pos && isWhiteSpace(text[nameEnd - 1]))
            --nameEnd;
        const std::string_view name = text.substr(pos, nameEnd - pos);
        std::size_t quote = equals + 1;
        while (quote < text.size() && isWhiteSpace(text[quote]))
            ++quote;
        if (quote >= text.size() || text[quote] != '"')
            return;
        const std::size_t close = text.find('"', quote + 1);
        if (close == std::string_view::npos)
            return;
        document.setAttribute(element, name, text.substr(quote + 1, close - quote - 1));
        pos = close + 1;
        while (pos < text.size() && isWhiteSpace(text[pos]))
            ++pos;
    }
}

}  // namespace

TaggedDocument::NodeId TaggedDocument::createRoot(std::string_view name) {
    m_nodes.clear();
    Node root;
    root.text = name;
    m_nodes.push_back(std::move(root));
    return 0;
}

TaggedDocument::NodeId TaggedDocument::addNode(NodeId parent, TagNodeKind kind,
                                               std::string_view text) {
    Node node;
    node.kind = kind;
    node.text = text;
    m_nodes.push_back(std::move(node));
    const NodeId id = m_nodes.size() - 1;
    Node& p = m_nodes[parent];
    if (p.lastChild == kNoNode)
        p.firstChild = id;
    else
        m_nodes[p.lastChild].nextSibling = id;
    p.lastChild = id;
    ++p.childCount;
    return id;
}

std::vector<TaggedDocument::NodeId> TaggedDocument::children(NodeId id) const {
    std::vector<NodeId> list;
    list.reserve(m_nodes[id].childCount);
    for (NodeId c = m_nodes[id].firstChild; c != kNoNode; c = m_nodes[c].nextSibling)
        list.push_back(c);
    return list;
}

TaggedDocument::NodeId TaggedDocument::addElement(NodeId parent, std::string_view name) {
    return addNode(parent, TagNodeKind::Element, name);
}

TaggedDocument::NodeId TaggedDocument::addText(NodeId parent, std::string_view text) {
    return addNode(parent, TagNodeKind::Text, text);
}

void TaggedDocument::setAttribute(NodeId element, std::string_view name, std::string_view value) {
    for (TagAttribute& attribute : m_nodes[element].attributes) {
        if (equalsIgnoreCase(attribute.name, name)) {
            attribute.value = value;
            return;
        }
    }
    m_nodes[element].attributes.push_back({std::string(name), std::string(value)});
}

std::optional<std::string_view> TaggedDocument::attribute(NodeId element,
                                                          std::string_view name) const {
    for (const TagAttribute& attribute : m_nodes[element].attributes) {
        if (equalsIgnoreCase(attribute.name, name))
            return std::string_view(attribute.value);
    }
    return std::nullopt;
}

bool TaggedDocument::read(std::string_view bytes) {
    m_nodes.clear();
    // An element has a start and an end tag, and an album file has fewer texts than
    // elements: half the "<" count is room for the whole document in the usual case.
    m_nodes.reserve(std::size_t(std::count(bytes.begin(), bytes.end(), '<')) / 2 + 1);
    Tokenizer tokens(bytes);

    // Text and declarations before the root are passed over.
    Token token;
    for (;;) {
        token = tokens.next();
        if (token.kind == TokenKind::End || token.kind == TokenKind::EmptyTag)
            return false;
        if (token.kind == TokenKind::Element)
            break;
    }
    createRoot(token.text);
    readAttributes(*this, root(), token.attributeText);

    // The open elements, innermost last. The end of the file completes every open element.
    std::vector<NodeId> open{root()};
    while (!open.empty()) {
        token = tokens.next();
        switch (token.kind) {
            case TokenKind::End:
                return true;
            case TokenKind::EmptyTag:
                break;
            case TokenKind::Text:
                addText(open.back(), token.text);
                break;
            case TokenKind::Declaration:
                addNode(open.back(), TagNodeKind::Declaration, token.text);
                break;
            case TokenKind::Element:
                if (!token.text.empty() && token.text[0] == '/') {
                    if (std::string_view(token.text).substr(1) != m_nodes[open.back()].text) {
                        m_nodes.clear();
                        return false;
                    }
                    open.pop_back();
                } else {
                    const NodeId child = addElement(open.back(), token.text);
                    readAttributes(*this, child, token.attributeText);
                    open.push_back(child);
                }
                break;
        }
    }
    return true;
}

std::string TaggedDocument::write() const {
    std::string out;
    if (m_nodes.empty())
        return out;
    // Each line ends in CR LF, and the file has always been written through a stream that
    // turns every LF into CR LF: the bytes on disk are CR CR LF, and readers expect them.
    const auto lineEnd = [&out] { out += "\r\r\n"; };
    const auto appendText = [&out](std::string_view text) {
        for (const char c : text) {
            if (c == '\n')
                out += '\r';
            out += c;
        }
    };

    const auto startTag = [&](const Node& element) {
        out += '<';
        appendText(element.text);
        for (const TagAttribute& a : element.attributes) {
            out += ' ';
            appendText(a.name);
            out += "=\"";
            appendText(a.value);
            out += '"';
        }
        out += '>';
        lineEnd();
    };

    // Depth-first with an explicit stack of (element, next child to write).
    startTag(m_nodes[root()]);
    std::vector<std::pair<NodeId, NodeId>> stack{{root(), m_nodes[root()].firstChild}};
    while (!stack.empty()) {
        auto& [id, next] = stack.back();
        const Node& node = m_nodes[id];
        if (next == kNoNode) {
            out += "</";
            appendText(node.text);
            out += '>';
            lineEnd();
            stack.pop_back();
            continue;
        }
        const NodeId childId = next;
        const Node& child = m_nodes[childId];
        next = child.nextSibling;
        switch (child.kind) {
            case TagNodeKind::Text:
                appendText(child.text);
                break;
            case TagNodeKind::Declaration:
                out += '<';
                appendText(child.text);
                out += '>';
                lineEnd();
                break;
            case TagNodeKind::Element:
                startTag(child);
                stack.emplace_back(childId, child.firstChild);
                break;
        }
    }
    return out;
}

}  // namespace orbpix

#include "tree/treenode.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "codes/decoration.h"
#include "text/text.h"

namespace tree {

std::string NodeToolTip(const Node& node) {
    if (node.code.empty()) return text::Trim(node.text);
    return codes::CodeAndNames(node.code, node.chineseName, node.englishName);
}

namespace {
constexpr std::size_t TextBlock = std::size_t{64} * 1024;
} // namespace

std::string_view Tree::store(std::string_view text, std::string_view within) {
    if (text.empty()) return {};
    // Already held: a part of another of the node's texts.
    const std::less_equal<const char*> notAfter;
    if (!within.empty() && notAfter(within.data(), text.data()) &&
        notAfter(text.data() + text.size(), within.data() + within.size()))
        return text;
    while (text.size() > m_textRoom) {
        if (m_textBlock == m_texts.size()) {
            const std::size_t size = std::max(TextBlock, text.size());
            m_texts.emplace_back(std::unique_ptr<char[]>(new char[size]), size);
        }
        m_textRoom = m_texts[m_textBlock++].second;
    }
    // Blocks fill from their end down, so the room left is also the offset.
    m_textRoom -= text.size();
    char* at = m_texts[m_textBlock - 1].first.get() + m_textRoom;
    std::memcpy(at, text.data(), text.size());
    return {at, text.size()};
}

Node* Tree::add(Node* parent, std::string_view text) {
    Node& node = m_nodes.emplace_back(store(text), parent, parent->childCount());
    parent->m_children.push_back(&node);
    return &node;
}

Node* Tree::addSibling(Node* node, std::string_view text) {
    return add((node && node->parent()) ? node->parent() : &m_top, text);
}

Node* Tree::addChild(Node* node, std::string_view text) {
    return add(node ? node : &m_top, text);
}

void Tree::setNames(Node* node, std::string_view code, std::string_view chineseName,
                    std::string_view englishName) {
    node->code = store(code, node->text);
    node->chineseName = store(chineseName, node->text);
    node->englishName = store(englishName, node->text);
}

void Tree::clear() {
    m_top.m_children.clear();
    m_nodes.clear();
    m_textBlock = 0;
    m_textRoom = 0;
}

} // namespace tree

#include "tree/treenode.h"

#include "codes/decoration.h"
#include "text/text.h"

namespace tree {

std::string NodeToolTip(const Node& node) {
    if (node.code.empty()) return text::Trim(node.text);
    return codes::CodeAndNames(node.code, node.chineseName, node.englishName);
}

Node* Node::addChild(std::string childText) {
    m_children.push_back(std::make_unique<Node>(std::move(childText), this, childCount()));
    return m_children.back().get();
}

Node* Tree::addSibling(Node* node, std::string text) {
    Node* parent = (node && node->parent()) ? node->parent() : &m_top;
    return parent->addChild(std::move(text));
}

Node* Tree::addChild(Node* node, std::string text) {
    return (node ? node : &m_top)->addChild(std::move(text));
}

namespace {
std::size_t CountBelow(const Node* n) {
    std::size_t count = 0;
    for (int i = 0; i < n->childCount(); ++i)
        count += 1 + CountBelow(n->child(i));
    return count;
}
} // namespace

std::size_t Tree::size() const {
    return CountBelow(&m_top);
}

} // namespace tree

#pragma once
// Plain nodes of the two trees of the tree browser. A node holds its text
// and, for a node of a code, the code's names for its tooltip; where a later
// step needs the code behind a node it takes it back out of the text. The builders fill a Tree; the window
// shows it through TreeModel.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace tree {

class Node {
public:
    explicit Node(std::string text = {}, Node* parent = nullptr, int row = 0)
        : text(std::move(text)), m_parent(parent), m_row(row) {}
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    std::string text;
    // A node of a code: the code as stored, its decorated Chinese name whole
    // (the text may show it shortened) and its English name. Empty for the
    // outline's lines and a block's root.
    std::string code, chineseName, englishName;
    // Set by a builder for a node that is to be shown expanded by one level
    // right after the build; the window applies it.
    bool expandAfterBuild = false;

    // Appends a child and returns it.
    Node* addChild(std::string childText);
    // The parent (the tree's invisible top for a top-level node).
    Node* parent() const { return m_parent; }
    // Index of this node among its parent's children.
    int row() const { return m_row; }
    int childCount() const { return static_cast<int>(m_children.size()); }
    Node* child(int i) const { return m_children[static_cast<std::size_t>(i)].get(); }
    bool hasChildren() const { return !m_children.empty(); }
    void clear() { m_children.clear(); }

private:
    Node* m_parent;
    int m_row;
    std::vector<std::unique_ptr<Node>> m_children;
};

// The tooltip of a node: for a code, the code as coders write it, its Chinese
// name and its English name, one a line; for any other node its text, trimmed.
//   S93401A => "S93.401A\n右側踝韌帶扭傷,初期照護\nSprain of ..., initial encounter"
//   "  A00-A09:腸道傳染病" => "A00-A09:腸道傳染病"
std::string NodeToolTip(const Node& node);

// A forest: the children of the invisible top are the top-level nodes.
class Tree {
public:
    Node* top() { return &m_top; }
    const Node* top() const { return &m_top; }
    void clear() { m_top.clear(); }
    // Adds a node at the top level.
    Node* addTopLevel(std::string text) { return m_top.addChild(std::move(text)); }
    // Adds a node as the last sibling of `node` (top level when node is null or
    // is itself a top-level node).
    Node* addSibling(Node* node, std::string text);
    // Adds a node as the last child of `node`, or at the top level when null.
    Node* addChild(Node* node, std::string text);
    // Number of nodes, the invisible top not counted.
    std::size_t size() const;
    bool isTopLevel(const Node* n) const { return n && n->parent() == &m_top; }

private:
    Node m_top;
};

} // namespace tree

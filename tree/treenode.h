#pragma once
// Plain nodes of the two trees of the tree browser. A node holds its text
// and, for a node of a code, the code's names for its tooltip; where a later
// step needs the code behind a node it takes it back out of the text. The
// builders fill a Tree; the window shows it through TreeModel. The tree keeps
// its nodes and their texts together in pools (a chapter's tree has tens of
// thousands), so that building and clearing it costs one allocation per few
// hundred nodes. A node's texts stay valid until the tree is cleared.

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tree {

class Node {
public:
    explicit Node(std::string_view text = {}, Node* parent = nullptr, int row = 0)
        : text(text), m_parent(parent), m_row(row) {}
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    std::string_view text; // held by the tree, as are the names (Tree::setText, setNames)
    // A node of a code: the code as stored, its decorated Chinese name whole
    // (the text may show it shortened) and its English name. Empty for the
    // outline's lines and a block's root.
    std::string_view code, chineseName, englishName;
    // Set by a builder for a node that is to be shown expanded by one level
    // right after the build; the window applies it.
    bool expandAfterBuild = false;

    // The parent (the tree's invisible top for a top-level node).
    Node* parent() const { return m_parent; }
    // Index of this node among its parent's children.
    int row() const { return m_row; }
    int childCount() const { return static_cast<int>(m_children.size()); }
    Node* child(int i) const { return m_children[static_cast<std::size_t>(i)]; }
    bool hasChildren() const { return !m_children.empty(); }

private:
    friend class Tree;
    Node* m_parent;
    int m_row;
    std::vector<Node*> m_children; // nodes of the tree's pool
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
    void clear();
    // Adds a node at the top level.
    Node* addTopLevel(std::string_view text) { return add(&m_top, text); }
    // Adds a node as the last sibling of `node` (top level when node is null or
    // is itself a top-level node).
    Node* addSibling(Node* node, std::string_view text);
    // Adds a node as the last child of `node`, or at the top level when null.
    Node* addChild(Node* node, std::string_view text);
    // Gives a node another text.
    void setText(Node* node, std::string_view text) { node->text = store(text); }
    // Gives a node of a code its code and names (kept in the tree; any of them
    // may be part of the node's text).
    void setNames(Node* node, std::string_view code, std::string_view chineseName,
                  std::string_view englishName);
    // Number of nodes, the invisible top not counted.
    std::size_t size() const { return m_nodes.size(); }
    bool isTopLevel(const Node* n) const { return n && n->parent() == &m_top; }

private:
    Node* add(Node* parent, std::string_view text);
    // A copy of the text in the text pool (or the part of `within`, itself
    // held by the pool, that it is).
    std::string_view store(std::string_view text, std::string_view within = {});

    Node m_top;
    std::deque<Node> m_nodes; // every node but the top; a deque never moves them
    // Blocks of node texts, kept by clear() for the next build; those from
    // m_textBlock on are free, and m_textRoom bytes are left in the one before.
    std::vector<std::pair<std::unique_ptr<char[]>, std::size_t>> m_texts;
    std::size_t m_textBlock = 0;
    std::size_t m_textRoom = 0;
};

} // namespace tree

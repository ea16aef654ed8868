#pragma once
// Shows a Tree of plain nodes in a view: one column, the node's text. The
// model owns its tree; fill() rebuilds it in one pass between one
// beginResetModel/endResetModel pair, so a tree of tens of thousands of nodes
// reaches the view in one step without per-node signals.

#include <functional>

#include <QAbstractItemModel>

#include "tree/treenode.h"

namespace tree {

class TreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit TreeModel(QObject* parent = nullptr);

    // Clears the tree, runs the builder on it and shows the result. When the
    // builder throws, what it had added is shown and the error propagates.
    void fill(const std::function<void(Tree&)>& builder);

    const Tree& tree() const { return m_tree; }
    // The node behind an index (nullptr for the invalid index).
    const Node* node(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* node) const;
    // Whether any node has children.
    bool hasAnyChildren() const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const Node* nodeOrTop(const QModelIndex& index) const;
    Tree m_tree;
};

} // namespace tree

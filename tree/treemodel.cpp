#include "tree/treemodel.h"

namespace tree {

TreeModel::TreeModel(QObject* parent) : QAbstractItemModel(parent) {}

void TreeModel::fill(const std::function<void(Tree&)>& builder) {
    beginResetModel();
    try {
        m_tree.clear();
        builder(m_tree);
    } catch (...) {
        endResetModel();
        throw;
    }
    endResetModel();
}

const Node* TreeModel::node(const QModelIndex& index) const {
    return index.isValid() ? static_cast<const Node*>(index.internalPointer()) : nullptr;
}

const Node* TreeModel::nodeOrTop(const QModelIndex& index) const {
    return index.isValid() ? static_cast<const Node*>(index.internalPointer()) : m_tree.top();
}

QModelIndex TreeModel::indexOf(const Node* n) const {
    if (!n || n == m_tree.top()) return {};
    return createIndex(n->row(), 0, const_cast<Node*>(n));
}

bool TreeModel::hasAnyChildren() const {
    const Node* top = m_tree.top();
    for (int i = 0; i < top->childCount(); ++i)
        if (top->child(i)->hasChildren()) return true;
    return false;
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    if (parent.isValid() && parent.column() != 0) return {};
    const Node* p = nodeOrTop(parent);
    if (row >= p->childCount()) return {};
    return createIndex(row, 0, p->child(row));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
    const Node* n = node(child);
    if (!n) return {};
    return indexOf(n->parent());
}

int TreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    return nodeOrTop(parent)->childCount();
}

int TreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool TreeModel::hasChildren(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return false;
    return nodeOrTop(parent)->hasChildren();
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
    const Node* n = node(index);
    if (!n) return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(n->text.data(), static_cast<qsizetype>(n->text.size()));
    if (role == Qt::ToolTipRole) return QString::fromStdString(NodeToolTip(*n));
    return {};
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace tree

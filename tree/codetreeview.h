#pragma once
// The tree control of the tree browser: a QTreeView that draws every node
// itself (NodeDelegate) with the plus and minus glyphs of the window in place
// of the view's own expand buttons. A press on a glyph expands or collapses its
// node; a double click does the same anywhere on a node with children, unless
// the window gives the double-click an action of its own. Every
// release of the left button inside the tree signals treeClicked(), whether or
// not it landed on a node, so that a click that came with an expansion can be
// told apart by the window.

#include <functional>

#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTreeView>

namespace tree {

// Pixels each level of the tree is indented by; the glyph of a node sits in the
// first 21 of them, its text starts 2 pixels after them.
inline constexpr int TreeIndent = 23;
inline constexpr int GlyphSize = 21;

class NodeDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // The view tells expanded nodes apart; the pixmaps are the folded (plus) and
    // expanded (minus) glyphs, read from their top-left 20 by 20 pixels.
    NodeDelegate(QTreeView* view, const QPixmap* plus, const QPixmap* minus);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static const QColor& LightYellow();

private:
    QTreeView* m_view;
    const QPixmap* m_plus;
    const QPixmap* m_minus;
};

class CodeTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit CodeTreeView(QWidget* parent = nullptr);

    // Uses the glyphs (kept alive by the caller) for the custom drawing.
    void setGlyphs(const QPixmap* plus, const QPixmap* minus);
    // The glyph square of the node at a viewport position, if the position is on
    // the glyph of a node with children.
    QModelIndex glyphAt(const QPoint& pos) const;
    // Expands a folded node or folds an expanded one.
    void toggle(const QModelIndex& index);
    // What a double-click on a node (not on its glyph) does first, the node
    // selected: when the action takes it (returns true) the node is not
    // folded or unfolded.
    void setDoubleClickAction(std::function<bool(const QModelIndex&)> action) {
        m_doubleClickAction = std::move(action);
    }

signals:
    void treeClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

private:
    std::function<bool(const QModelIndex&)> m_doubleClickAction;
};

} // namespace tree

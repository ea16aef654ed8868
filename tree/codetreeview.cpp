#include "tree/codetreeview.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>

#include "app/widgets/look.h"

namespace tree {

const QColor& NodeDelegate::LightYellow() {
    static const QColor c(255, 255, 192);
    return c;
}

NodeDelegate::NodeDelegate(QTreeView* view, const QPixmap* plus, const QPixmap* minus)
    : QStyledItemDelegate(view), m_view(view), m_plus(plus), m_minus(minus) {}

void NodeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    const QString text = index.data(Qt::DisplayRole).toString();
    const bool selected = option.state & QStyle::State_Selected;
    const QFontMetrics fm(option.font);

    // The text rectangle starts after the glyph column of the node.
    const QRect row = option.rect;
    const QRect r(row.left() + TreeIndent, row.top(), fm.horizontalAdvance(text) + 4, row.height());
    painter->save();
    painter->fillRect(r, selected ? app::look::kNavy : LightYellow());

    const int x = r.left() + TreeIndent;
    if (index.model()->hasChildren(index)) {
        const QPixmap* glyph = m_view->isExpanded(index) ? m_minus : m_plus;
        if (glyph && !glyph->isNull()) {
            const QRectF source(0, 0, 20 * glyph->devicePixelRatio(), 20 * glyph->devicePixelRatio());
            painter->drawPixmap(QRectF(x - 2 * TreeIndent, r.top(), GlyphSize, GlyphSize), *glyph, source);
        }
    }

    painter->setFont(option.font);
    painter->setPen(selected ? option.palette.color(QPalette::Active, QPalette::HighlightedText)
                             : option.palette.color(QPalette::Active, QPalette::WindowText));
    painter->drawText(QRect(x - TreeIndent + 2, r.top(), r.width(), r.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->restore();
}

QSize NodeDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QFontMetrics fm(option.font);
    const QString text = index.data(Qt::DisplayRole).toString();
    return {TreeIndent + fm.horizontalAdvance(text) + 6, std::max(GlyphSize, fm.height() + 2)};
}

CodeTreeView::CodeTreeView(QWidget* parent) : QTreeView(parent) {
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setIndentation(TreeIndent);
    setUniformRowHeights(true);
    setExpandsOnDoubleClick(false);
    setItemsExpandable(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAnimated(false);
    setAllColumnsShowFocus(false);
    // Long names scroll sideways instead of being cut off.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAttribute(Qt::WA_Hover, false);

    QPalette pal = palette();
    pal.setColor(QPalette::Base, NodeDelegate::LightYellow());
    pal.setColor(QPalette::Window, NodeDelegate::LightYellow());
    pal.setColor(QPalette::Highlight, app::look::kNavy);
    pal.setColor(QPalette::HighlightedText, Qt::white);
    pal.setColor(QPalette::Inactive, QPalette::Highlight, app::look::kNavy);
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
}

void CodeTreeView::setGlyphs(const QPixmap* plus, const QPixmap* minus) {
    QAbstractItemDelegate* old = itemDelegate();
    setItemDelegate(new NodeDelegate(this, plus, minus));
    if (old && old->parent() == this) old->deleteLater();
}

QModelIndex CodeTreeView::glyphAt(const QPoint& pos) const {
    const QModelIndex index = indexAt(pos);
    if (!index.isValid() || !model()->hasChildren(index)) return {};
    const QRect row = visualRect(index);
    const QRect glyph(row.left(), row.top(), GlyphSize, GlyphSize);
    return glyph.contains(pos) ? index : QModelIndex();
}

void CodeTreeView::toggle(const QModelIndex& index) {
    if (!index.isValid()) return;
    setExpanded(index, !isExpanded(index));
}

void CodeTreeView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex glyph = glyphAt(event->position().toPoint());
    if (glyph.isValid() && event->button() == Qt::LeftButton) {
        // A press on a glyph expands or folds its node and leaves the selection.
        toggle(glyph);
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void CodeTreeView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) emit treeClicked();
}

void CodeTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid() && m_doubleClickAction && !glyphAt(event->position().toPoint()).isValid()) {
            setCurrentIndex(index);
            if (m_doubleClickAction(index)) {
                event->accept();
                return;
            }
        }
        if (index.isValid() && model()->hasChildren(index)) {
            if (!glyphAt(event->position().toPoint()).isValid()) setCurrentIndex(index);
            toggle(index);
            event->accept();
            return;
        }
    }
    QTreeView::mouseDoubleClickEvent(event);
}

void CodeTreeView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex&) const {
    // The glyphs are drawn with the nodes; the indentation stays plain.
    painter->fillRect(rect, NodeDelegate::LightYellow());
}

} // namespace tree

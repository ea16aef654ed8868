#include "app/widgets/billablechooser.h"

#include <algorithm>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "codes/decoration.h"
#include "app/core/guidehooks.h"
#include "app/core/handoff.h"
#include "app/widgets/filterkeys.h"
#include "app/widgets/look.h"
#include "app/widgets/noteskey.h"
#include "app/widgets/pictures.h"
#include "db/error.h"
#include "text/text.h"

namespace app {

namespace {

QString Q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

enum Column { CodeColumn, ChineseColumn, EnglishColumn };

} // namespace

QString ChooserKeyHint() {
    return QStringLiteral("F2：非最細碼時列出其下的最細碼");
}

BillableChooser::BillableChooser(const codes::HeaderCodes& codes, QWidget* parent)
    : QDialog(parent), m_codes(codes) {
    setWindowTitle(QStringLiteral("選擇最細碼"));
    setFont(PixelFont(look::kMingFace, 16));
    setSizeGripEnabled(true);

    // Made from the top down: the order Tab takes.
    QLabel* title = makeTitle();
    QHBoxLayout* filterRow = makeFilterRow();
    makeList();
    QHBoxLayout* buttonRow = makeButtonRow();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addLayout(filterRow);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttonRow);

    connect(m_filter, &QLineEdit::textChanged, this, &BillableChooser::applyFilter);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { chooseCurrent(); });
    m_filter->installEventFilter(this);
    m_list->installEventFilter(this);

    applyFilter();
    fitToScreen();
    m_filter->setFocus();
}

// "S93.4 踝部扭傷 不是最細碼，其下可用的最細碼如下：", wrapped when long.
QLabel* BillableChooser::makeTitle() {
    const codes::CodeRow header = m_codes.header.value_or(codes::CodeRow{});
    auto* title = new QLabel(this);
    title->setTextFormat(Qt::PlainText);
    title->setWordWrap(true);
    title->setText(QStringLiteral("%1 %2 不是最細碼，其下可用的最細碼如下：")
                       .arg(Q(header.code),
                            Q(codes::DecorateName(header.chineseName, header.flag2023, header.new2023))));
    title->setObjectName(QStringLiteral("titleLabel"));
    return title;
}

// The filter box between its caption and the count of the rows it leaves.
QHBoxLayout* BillableChooser::makeFilterRow() {
    auto* filterLabel = new QLabel(QStringLiteral("篩選："), this);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("filterEdit"));
    m_filter->setPlaceholderText(QStringLiteral("輸入代碼或名稱中的字詞，以空白分開，例如：右 初期"));
    look::PaintFilterBox(m_filter);
    filterLabel->setBuddy(m_filter);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("countLabel"));
    auto* row = new QHBoxLayout;
    row->addWidget(filterLabel);
    row->addWidget(m_filter, 1);
    row->addWidget(m_count);
    return row;
}

// The list of the billable codes, one row each, the code and Chinese columns
// as wide as their texts (the Chinese one at most 420 pixels).
void BillableChooser::makeList() {
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("codeList"));
    m_list->setFont(PixelFont(look::kMingFace, 15));
    m_list->setColumnCount(3);
    m_list->setHeaderLabels(
        {QStringLiteral("ICD-10"), QStringLiteral("中文名稱"), QStringLiteral("英文名稱")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAlternatingRowColors(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setTextElideMode(Qt::ElideRight);
    m_list->header()->setStretchLastSection(true);
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(m_codes.billable.size()));
    for (const codes::CodeRow& row : m_codes.billable) {
        auto* item = new QTreeWidgetItem;
        item->setText(CodeColumn, Q(row.code));
        item->setText(ChineseColumn, Q(codes::DecorateName(row.chineseName, row.flag2023, row.new2023)));
        item->setText(EnglishColumn, Q(row.englishName));
        item->setToolTip(ChineseColumn, item->text(ChineseColumn));
        item->setToolTip(EnglishColumn, item->text(EnglishColumn));
        items.push_back(item);
    }
    m_list->addTopLevelItems(items);
    m_list->resizeColumnToContents(CodeColumn);
    m_list->setColumnWidth(CodeColumn, m_list->columnWidth(CodeColumn) + 12);
    m_list->resizeColumnToContents(ChineseColumn);
    m_list->setColumnWidth(ChineseColumn, std::min(m_list->columnWidth(ChineseColumn) + 12, 420));
}

// The keys in a grey line, then the choose and cancel buttons.
QHBoxLayout* BillableChooser::makeButtonRow() {
    auto* hint = new QLabel(
        QStringLiteral("↑↓ 選擇　Enter 或按兩下：選用並傳送　%1　Esc：取消").arg(NotesKeyHint()), this);
    hint->setObjectName(QStringLiteral("hintLabel"));
    QPalette grey = hint->palette();
    grey.setColor(QPalette::WindowText, look::kHintGrey);
    hint->setPalette(grey);
    auto* choose = new QPushButton(QStringLiteral("選用"), this);
    choose->setObjectName(QStringLiteral("chooseButton"));
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    // Enter is handled by the window itself, whichever control has the focus.
    choose->setAutoDefault(false);
    cancel->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, this, &BillableChooser::chooseCurrent);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(hint, 1);
    row->addWidget(choose);
    row->addWidget(cancel);
    return row;
}

void BillableChooser::fitToScreen() {
    // As tall as the list needs, but never more than the screen holds; the
    // list scrolls beyond that.
    const int rowHeight = std::max(m_list->sizeHintForRow(0), QFontMetrics(m_list->font()).height() + 2);
    const int rows = std::max(4, std::min(static_cast<int>(m_codes.billable.size()), 30));
    const int wanted = rows * rowHeight + m_list->header()->sizeHint().height() + 150;
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    // Room for the window manager's frame.
    const QSize most = area.size() - QSize(40, 80);
    setMaximumSize(most.expandedTo(QSize(320, 240)));
    resize(std::min(860, maximumWidth()), std::min(wanted, maximumHeight()));
    if (parentWidget()) {
        const QPoint centre = parentWidget()->frameGeometry().center();
        QRect place(QPoint(), size());
        place.moveCenter(centre);
        place.moveLeft(std::clamp(place.left(), area.left(), std::max(area.left(), area.right() - width())));
        place.moveTop(
            std::clamp(place.top(), area.top(), std::max(area.top(), area.bottom() - height() - 40)));
        move(place.topLeft());
    }
}

void BillableChooser::applyFilter() {
    const std::string filter = m_filter->text().toStdString();
    int shown = 0;
    QTreeWidgetItem* firstShown = nullptr;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const bool match = codes::MatchesFilter(m_codes.billable[static_cast<std::size_t>(i)], filter);
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        item->setHidden(!match);
        if (match) {
            ++shown;
            if (!firstShown) firstShown = item;
        }
    }
    m_count->setText(QStringLiteral("%1 / %2 個").arg(shown).arg(m_list->topLevelItemCount()));
    QTreeWidgetItem* current = m_list->currentItem();
    if (!current || current->isHidden()) {
        m_list->setCurrentItem(firstShown);
        if (!firstShown) m_list->clearSelection();
    }
    if (m_list->currentItem()) m_list->scrollToItem(m_list->currentItem());
}

QString BillableChooser::currentCode() const {
    const QTreeWidgetItem* item = m_list->currentItem();
    return item && !item->isHidden() ? item->text(CodeColumn) : QString();
}

int BillableChooser::shownCount() const {
    int shown = 0;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        if (!m_list->topLevelItem(i)->isHidden()) ++shown;
    return shown;
}

void BillableChooser::chooseCurrent() {
    const QString code = currentCode();
    if (code.isEmpty()) return;
    accept();
    emit chosen(code);
}

void BillableChooser::followInGuide(AppContext& ctx) {
    connect(m_list, &QTreeWidget::currentItemChanged, this,
            [this, &ctx] { FollowCode(ctx, currentCode().toStdString()); });
    InstallNotesKey(this, ctx, [this] { return currentCode().toStdString(); });
    FollowCode(ctx, currentCode().toStdString());
}

bool BillableChooser::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && RouteFilterKey(watched, *static_cast<QKeyEvent*>(event),
                                                            m_filter, m_list, [this] { chooseCurrent(); }))
        return true;
    return QDialog::eventFilter(watched, event);
}

BillableChooser* OpenBillableChooser(QWidget* parent, const codes::HeaderCodes& codes,
                                     std::function<void(const std::string&)> onChosen) {
    auto* chooser = new BillableChooser(codes, parent);
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setWindowModality(Qt::WindowModal);
    QObject::connect(chooser, &BillableChooser::chosen, chooser,
                     [onChosen = std::move(onChosen)](const QString& code) {
                         if (onChosen) onChosen(code.toStdString());
                     });
    chooser->show();
    chooser->raise();
    chooser->activateWindow();
    return chooser;
}

BillableChooser* OfferBillableCodes(QWidget* parent, AppContext& ctx, db::Query& aux, const std::string& code,
                                    std::function<void(const std::string&)> onChosen) {
    const codes::HeaderCodes found = codes::BillableDescendants(aux, code);
    if (!found.offersChoice()) return nullptr;
    BillableChooser* chooser = OpenBillableChooser(parent, found, std::move(onChosen));
    chooser->followInGuide(ctx);
    return chooser;
}

namespace {

// Hands off the chosen code as if it had been selected: the same check, the
// same message, the same clipboard and window steps.
std::function<void(const std::string&)> HandOffChosen(AppContext& ctx, db::Query& aux) {
    return [&ctx, &aux](const std::string& chosen) {
        try {
            HandOffFinestCode(ctx, aux, chosen);
        } catch (const db::Error& e) {
            ctx.messages.show(e.what());
        }
    };
}

} // namespace

void HandOffOrChoose(QWidget* parent, AppContext& ctx, db::Query& aux, const std::string& code) {
    if (HandOffFinestCode(ctx, aux, code) != HandOffOutcome::NotFinest) return;
    OfferBillableCodes(parent, ctx, aux, text::Trim(code), HandOffChosen(ctx, aux));
}

void ChooseOrHandOff(QWidget* parent, AppContext& ctx, db::Query& aux, const std::string& code) {
    const std::string trimmed = text::Trim(code);
    if (trimmed.empty()) return;
    if (OfferBillableCodes(parent, ctx, aux, trimmed, HandOffChosen(ctx, aux))) return;
    HandOffOrChoose(parent, ctx, aux, trimmed);
}

} // namespace app

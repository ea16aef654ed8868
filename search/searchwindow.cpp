#include "search/searchwindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <algorithm>
#include <utility>

#include "app/core/guidehooks.h"
#include "app/core/handoff.h"
#include "codes/coderules.h"
#include "app/widgets/billablechooser.h"
#include "app/widgets/codecopy.h"
#include "app/widgets/imagebutton.h"
#include "app/widgets/look.h"
#include "app/widgets/noteskey.h"
#include "app/widgets/pictures.h"
#include "db/writefailure.h"
#include "search/ranking.h"
#include "search/resultlines.h"
#include "search/resultmodel.h"
#include "search/wordfallback.h"
#include "ui_searchwindow.h"

// The window's pictures live in a resource of this static library; it has to be
// registered by name from the global namespace.
static void InitSearchResources() {
    Q_INIT_RESOURCE(search);
}

namespace search {

namespace {

const QColor Fuchsia(255, 0, 255);
// The pause after a change before a live search starts: long enough to let a
// word be typed, short enough to feel immediate.
constexpr int LiveSearchPause = 150;
// How often a running live search stops to answer keys and clicks.
constexpr int AnswerEveryMilliseconds = 10;

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

} // namespace

SearchWindow::SearchWindow(app::AppContext& context, QWidget* parent)
    : app::WorkingWindow(context, app::SearchWindowNo, parent), m_ui(std::make_unique<Ui::SearchWindow>()),
      m_resultQuery(context.connection), m_lookupQuery(context.connection),
      m_rankingProbe(context.connection) {
    InitSearchResources();
    m_ui->setupUi(this);
    setWindowTitle(QStringLiteral("ICD-10-CM 編碼查詢"));

    setUpLook();
    setUpButtons();
    makeIndexButton();
    setUpCriteria();
    setUpGrid();
    setUpKeyboard();
    setUpLiveSearch();

    // Every key press is seen by the window before the focused control.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);

    // Enlarging the window gives the room to the grid (more rows, wider
    // names); the criteria keep their places.
    setEnlargeableClientSize(712, 533);
    adaptToDatabaseAndDesktop();
}

SearchWindow::~SearchWindow() {
    // The grid's model reads from m_resultQuery: detach it first.
    m_model->clear();
}

// Navy text on the window's font; the differences button in fuchsia; the
// current row's English name in a smaller Latin font.
void SearchWindow::setUpLook() {
    setFont(app::PixelFont(app::look::kMingFace, 16));
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, app::look::kNavy);
    pal.setColor(QPalette::Text, app::look::kNavy);
    pal.setColor(QPalette::ButtonText, app::look::kNavy);
    setPalette(pal);

    m_ui->differencesButton->setFont(app::PixelFont(app::look::kJhengHeiFace, 16, true));
    QPalette sp = m_ui->differencesButton->palette();
    sp.setColor(QPalette::ButtonText, Fuchsia);
    m_ui->differencesButton->setPalette(sp);
    m_ui->buildRankingButton->hide();
    m_ui->currentEnglishNameLabel->setFont(app::PixelFont(app::look::kTimesNewRomanFace, 13));
}

// The pictures (search, close, hand-off), F2, the differences button and the
// ranking builder's button.
void SearchWindow::setUpButtons() {
    app::LoadPicture(m_ui->searchButton, QStringLiteral(":/assets/search/search.svg"));
    app::LoadPicture(m_ui->closeButton, QStringLiteral(":/assets/search/close.svg"));
    app::LoadPicture(m_ui->handOffButton, QStringLiteral(":/assets/search/handoff.svg"));
    for (app::ImageButton* image : {m_ui->searchButton, m_ui->closeButton, m_ui->handOffButton}) {
        connect(image, &app::ImageButton::pressed, this, &SearchWindow::picturePressed);
        connect(image, &app::ImageButton::released, this, &SearchWindow::pictureReleased);
    }
    connect(m_ui->differencesButton, &QToolButton::clicked, this, &SearchWindow::searchDifferences);
    // F2 on a header row opens the chooser of the billable codes under it; on
    // a finest row it hands the code off as the hand-off picture does.
    auto* chooserKey = new QShortcut(QKeySequence(app::ChooserKey), this);
    connect(chooserKey, &QShortcut::activated, this, &SearchWindow::chooseFromCurrentRow);
    m_ui->handOffButton->setToolTip(QStringLiteral("傳送到醫師問診作業（%1）").arg(app::ChooserKeyHint()));
    connect(m_ui->buildRankingButton, &QPushButton::clicked, this, &SearchWindow::buildRanking);
}

// The Alphabetic Index's button, under 清除條件: a coder looks a term up there first.
void SearchWindow::makeIndexButton() {
    m_indexButton = new QPushButton(QStringLiteral("索引查詢"), m_ui->clearButton->parentWidget());
    m_indexButton->setObjectName(QStringLiteral("indexButton"));
    m_indexButton->setGeometry(m_ui->clearButton->x(),
                               m_ui->clearButton->y() + m_ui->clearButton->height() + 1,
                               m_ui->clearButton->width(), m_ui->clearButton->height());
    m_indexButton->setToolTip(QStringLiteral("以英文字詞查 ICD-10-CM 字母索引"));
    connect(m_indexButton, &QPushButton::clicked, this, [this] { app::ShowAlphabeticIndex(m_ctx); });
}

// The live search's pause and switch, clearing (button and Ctrl+L) and F1.
void SearchWindow::setUpLiveSearch() {
    m_liveTimer.setSingleShot(true);
    m_liveTimer.setInterval(LiveSearchPause);
    connect(&m_liveTimer, &QTimer::timeout, this, [this] { requestSearch(this, true); });
    connect(m_ui->liveSearchBox, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) m_liveTimer.stop();
    });
    connect(m_ui->clearButton, &QPushButton::clicked, this, &SearchWindow::clearCriteria);
    // F1: the notes panel (編碼指引) of the current row, which it then follows.
    app::InstallNotesKey(this, m_ctx, [this] {
        const auto row = m_model->row(m_model->currentRow());
        return row ? std::string(row->code) : std::string();
    });
    auto* clear = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(clear, &QShortcut::activated, this, &SearchWindow::clearCriteria);
}

void SearchWindow::setUpCriteria() {
    for (const TextCriterion& criterion : TextCriteria()) {
        const QString key = QString::fromLatin1(criterion.key);
        auto* edit = findChild<QLineEdit*>(key + QStringLiteral("Edit"));
        auto* label = findChild<QLabel*>(key + QStringLiteral("Label"));
        // Every row has its controls in the form (the window tests check it).
        Q_ASSERT(edit && label);
        if (!edit || !label) continue;
        label->setText(QString::fromUtf8(criterion.caption));
        label->adjustSize();
        app::look::PaintFilterBox(edit);
        connect(edit, &QLineEdit::textChanged, this, &SearchWindow::criteriaChanged);
        m_textBoxes.push_back({&criterion, edit});
    }
    m_ui->injuryGroup->setFont(app::PixelFont(app::look::kMingFace, 13));
    for (const ChoiceCriterion& criterion : ChoiceCriteria()) {
        auto* box = findChild<QGroupBox*>(QString::fromLatin1(criterion.key) + QStringLiteral("Group"));
        Q_ASSERT(box);
        if (!box) continue;
        box->setTitle(QString::fromUtf8(criterion.caption));
        auto* buttons = new QButtonGroup(box);
        for (std::size_t i = 0; i < criterion.items.size(); ++i) {
            auto* r = new QRadioButton(QString::fromStdString(criterion.items[i]), box);
            // Narrow columns (five in the body-part group): the caption sits close to its circle.
            r->setStyleSheet(QStringLiteral("QRadioButton { spacing: 2px; }"));
            buttons->addButton(r, static_cast<int>(i));
        }
        buttons->button(0)->setChecked(true);
        // The form gives each group its number of columns.
        layoutRadioGroup(box, box->property("columns").toInt());
        connect(buttons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
            if (checked) criteriaChanged();
        });
        m_choiceGroups.push_back({&criterion, buttons});
    }
}

// Items fill the columns from top to bottom, then left to right, sharing the
// room below the caption evenly.
void SearchWindow::layoutRadioGroup(QGroupBox* box, int columns) {
    const auto radios = box->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    const int count = static_cast<int>(radios.size());
    if (count == 0) return;
    const int perColumn = (count + columns - 1) / columns;
    const int captionHeight = QFontMetrics(box->font()).height();
    const int itemWidth = (box->width() - 10) / columns;
    const int room = box->height() - captionHeight - 5;
    const int itemHeight = room / perColumn;
    const int top = captionHeight + 1 + (room % perColumn) / 2;
    for (int i = 0; i < count; ++i)
        radios[i]->setGeometry(8 + (i / perColumn) * itemWidth, top + (i % perColumn) * itemHeight, itemWidth,
                               itemHeight);
}

// Tab goes through the boxes, the search picture and the buttons beside it, the
// radio groups, the grid, then the hand-off and close pictures; the boxes and
// the radio groups in the order the form lists them (searchwindow.ui). A
// picture with the focus shows a dotted frame; Space releases it as a click
// would (Enter runs the search anywhere in the window).
void SearchWindow::setUpKeyboard() {
    QList<QWidget*> chain;
    for (QLineEdit* edit : m_ui->criteriaPanel->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        chain.push_back(edit);
    chain << m_ui->searchButton << m_ui->differencesButton << m_ui->liveSearchBox << m_ui->clearButton
          << m_indexButton;
    for (QGroupBox* box : m_ui->criteriaPanel->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
        for (QRadioButton* r : box->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
            chain.push_back(r);
    chain.push_back(m_ui->buildRankingButton);
    chain.push_back(m_ui->resultGrid);
    chain.push_back(m_ui->handOffButton);
    chain.push_back(m_ui->closeButton);
    for (app::ImageButton* image : {m_ui->searchButton, m_ui->closeButton, m_ui->handOffButton}) {
        image->setFocusPolicy(Qt::TabFocus);
        image->setStyleSheet(
            QStringLiteral("app--ImageButton:focus { border: 2px dotted %1; }").arg(app::look::kNavy.name()));
    }
    m_ui->differencesButton->setFocusPolicy(Qt::StrongFocus);
    for (qsizetype i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

void SearchWindow::setUpGrid() {
    m_model = new ResultModel(this);
    m_model->setErrorHandler([this](const std::string& message) { showMessage(message); });
    QTableView* grid = m_ui->resultGrid;
    grid->setModel(m_model);
    grid->setItemDelegate(new app::CutTextToolTipDelegate(grid));
    app::InstallCodeCopy(grid, [this] {
        const auto row = m_model->row(m_model->currentRow());
        return row ? app::CopiedCode{std::string(row->code), m_model->decoratedName(m_model->currentRow())}
                   : app::CopiedCode{};
    });
    connect(m_model, &ResultModel::rowsRead, this, &SearchWindow::showRowCount);
    // Dragging the scroll bar to its end reaches the true last row.
    connect(grid->verticalScrollBar(), &QScrollBar::sliderReleased, this, [this, grid] {
        QScrollBar* bar = grid->verticalScrollBar();
        if (bar->value() == bar->maximum() && !m_model->isComplete()) {
            m_model->fetchAll();
            grid->scrollToBottom();
        }
    });
    const QFont cellFont = app::PixelFont(app::look::kMingFace, 13);
    const QFont titleFont = app::PixelFont(app::look::kMingFace, 16);
    grid->setFont(cellFont);
    grid->horizontalHeader()->setFont(titleFont);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setShowGrid(true);
    grid->setWordWrap(false);
    grid->setTextElideMode(Qt::ElideNone);
    grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setStretchLastSection(false);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QHeaderView* rows = grid->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(QFontMetrics(cellFont).height() + 4);
    rows->setMinimumSectionSize(QFontMetrics(cellFont).height() + 4);
    rows->setFixedWidth(12);
    rows->setHighlightSections(false);
    rows->setSectionsClickable(false);

    // A column is as wide as its width in characters or its title, whichever is wider.
    const int charWidth = QFontMetrics(cellFont).horizontalAdvance(QLatin1Char('0'));
    const QFontMetrics titleMetrics(titleFont);
    for (int c = 0; c < ResultModel::ColumnCount; ++c)
        grid->setColumnWidth(c, std::max(ResultModel::widthInCharacters(c) * charWidth,
                                         titleMetrics.horizontalAdvance(ResultModel::title(c))) +
                                    6);

    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                m_model->setCurrentRow(current.isValid() ? current.row() : -1);
                showCurrentRow();
            });
    connect(m_model, &QAbstractItemModel::modelReset, this, &SearchWindow::showCurrentRow);
    // A double-click hands the row's code off as the hand-off picture does
    // (Enter keeps searching).
    connect(grid, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!index.isValid()) return;
        m_ui->resultGrid->setCurrentIndex(index);
        handOffCurrentRow();
    });
}

void SearchWindow::adaptToDatabaseAndDesktop() {
    // Shown while the consultation program's window is there, looked for at
    // every showing and activation.
    setHandOffWidgets({m_ui->handOffButton});

    // The ranking probe: without the column the ranking filter is hidden and
    // the finest-code group takes its place, keeping its right edge.
    try {
        m_rankingProbe.close();
        m_rankingProbe.clear();
        m_rankingProbe.setText(RankingProbeStatement);
        m_rankingProbe.open();
        m_rankingProbe.close(); // the answer is known; no read is kept open
    } catch (const db::Error&) {
        QGroupBox* finest = m_ui->finestGroup;
        QGroupBox* ranking = m_ui->rankingGroup;
        const int width = finest->x() + finest->width() - ranking->x();
        finest->setGeometry(ranking->x(), finest->y(), width, finest->height());
        layoutRadioGroup(finest, finest->property("columns").toInt());
        ranking->hide();
    }
}

Criteria SearchWindow::criteria() const {
    Criteria c;
    for (const TextBox& box : m_textBoxes)
        c.*box.criterion->text = Text(box.edit);
    for (const ChoiceGroup& group : m_choiceGroups)
        c.*group.criterion->choice = std::max(0, group.buttons->checkedId());
    c.rankingVisible = !m_ui->rankingGroup->isHidden();
    return c;
}

void SearchWindow::search(QObject* sender) {
    requestSearch(sender, false);
}

bool SearchWindow::liveSearch() const {
    return m_ui->liveSearchBox->isChecked();
}

void SearchWindow::criteriaChanged() {
    if (liveSearch()) m_liveTimer.start();
}

void SearchWindow::clearCriteria() {
    for (const TextBox& box : m_textBoxes)
        box.edit->clear();
    for (const ChoiceGroup& group : m_choiceGroups)
        group.buttons->button(0)->setChecked(true);
}

void SearchWindow::requestSearch(QObject* sender, bool live) {
    m_liveTimer.stop();
    if (m_searching) {
        // Asked while a search runs (keys answered from inside it): stop that
        // one; this one runs as soon as it has unwound.
        m_pending = Request{sender, live};
        m_ctx.connection.interrupt();
        return;
    }
    m_searching = true;
    std::optional<Request> next = Request{sender, live};
    while (next) {
        runSearch(next->sender, next->live);
        next = std::exchange(m_pending, std::nullopt);
    }
    m_searching = false;
}

void SearchWindow::runSearch(QObject* sender, bool live) {
    Criteria c = criteria();
    c.differences2023 = sender == m_ui->differencesButton;
    m_quiet = live;
    ++m_searchesStarted;
    m_model->clear();
    showFallbackNote({});
    db::Connection& connection = m_ctx.connection;
    // With 即時查詢 on, a long statement keeps answering keys so that the next
    // keystroke can stop it; with the box off the search blocks as it always did.
    const bool answering = liveSearch() && connection.isOpen();
    if (answering) {
        m_sinceAnswered.start();
        connection.setProgressHandler([this] { keepAnswering(); });
    }
    try {
        const SearchOutcome outcome = RunSearchWithFallback(c, m_resultQuery, m_lookupQuery);
        if (outcome.ran) {
            m_model->attach(&m_resultQuery);
            if (m_model->rowCount() > 0) m_ui->resultGrid->setCurrentIndex(m_model->index(0, 0));
            if (outcome.characterOrder) showFallbackNote(QString::fromStdString(FallbackNote(outcome)));
        }
    } catch (const db::Interrupted&) {
        // Stopped for a newer search, which runs next.
        ++m_searchesStopped;
        m_resultQuery.close();
        m_model->clear();
    } catch (const NoIcd10ForIcd9& e) {
        // Said in the count line too, so that typing shows it at once.
        m_resultQuery.close();
        m_model->clear();
        m_ui->rowCountLabel->setText(QString::fromUtf8(e.what()));
        showError(e.what());
    } catch (const db::Error& e) {
        m_resultQuery.close();
        m_model->clear();
        showError(e.what());
    }
    if (answering) connection.setProgressHandler({});
}

void SearchWindow::keepAnswering() {
    if (m_sinceAnswered.elapsed() < AnswerEveryMilliseconds) return;
    QCoreApplication::processEvents();
    m_sinceAnswered.restart();
}

void SearchWindow::showRowCount(int rows, bool complete) {
    m_ui->rowCountLabel->setText(
        m_model->isAttached() ? QString::fromStdString(CountLine(rows, m_model->icd11RowCount(), complete))
                              : QString());
}

// One line above the grid when the rows are of the character-order form; the
// grid gives up that line's height while it shows.
void SearchWindow::showFallbackNote(const QString& note) {
    m_ui->fallbackNoteLabel->setText(note);
    m_ui->fallbackNoteLabel->setVisible(!note.isEmpty());
    layOutResults();
}

// The criteria keep their places at the top; below them the note line and the
// grid take the window's width, the grid all the height down to the strip of
// the current row, which keeps its height at the bottom with the hand-off
// picture at its right end.
void SearchWindow::layOutResults() {
    const int w = width(), h = height();
    m_ui->framePanel->setGeometry(0, 0, w, h);
    const int inner = w - 2; // within the frame's border
    QLabel* note = m_ui->fallbackNoteLabel;
    QFrame* strip = m_ui->currentRowPanel;
    const int top = m_ui->criteriaPanel->geometry().bottom() + 1;
    strip->setGeometry(1, h - 1 - strip->height(), inner, strip->height());
    note->setGeometry(1, top, inner, note->height());
    const int gridTop = note->isHidden() ? top : top + note->height();
    m_ui->resultGrid->setGeometry(1, gridTop, inner, strip->y() - gridTop);
    const int right = strip->width() - 39;
    m_ui->handOffButton->move(right, m_ui->handOffButton->y());
    m_ui->currentNameLabel->resize(right - 8 - m_ui->currentNameLabel->x(), m_ui->currentNameLabel->height());
    m_ui->currentEnglishNameLabel->resize(right - 6 - m_ui->currentEnglishNameLabel->x(),
                                          m_ui->currentEnglishNameLabel->height());
}

void SearchWindow::resizeEvent(QResizeEvent* event) {
    app::WorkingWindow::resizeEvent(event);
    layOutResults();
}

void SearchWindow::searchDifferences() {
    search(m_ui->differencesButton);
}

void SearchWindow::buildRanking() {
    const QString caption = windowTitle();
    guarded(
        [&] {
            try {
                BuildRanking(m_ctx.connection, [this](const RankingProgress& p) {
                    setWindowTitle(QString::fromStdString(p.code));
                });
            } catch (const db::Error& e) {
                // What failed and what to do, the engine's text after.
                throw db::Error(db::WriteFailureMessage("建立篩選排名失敗", e.what()));
            }
        },
        // Nothing was kept, so the caption no longer names a marked code.
        [&] { setWindowTitle(caption); });
}

// The picture itself sinks while pressed; nothing runs until it is released.
void SearchWindow::picturePressed(app::ImageButton*) {}

void SearchWindow::pictureReleased(app::ImageButton* sender) {
    if (sender == m_ui->searchButton) search(m_ui->searchButton);
    if (sender == m_ui->closeButton) close();
    if (sender == m_ui->handOffButton) handOffCurrentRow();
}

void SearchWindow::handOffCurrentRow() {
    const auto row = m_model->row(m_model->currentRow());
    guarded([&] {
        app::HandOffOrChoose(this, m_ctx, m_lookupQuery, row ? std::string(row->code) : std::string());
    });
}

void SearchWindow::chooseFromCurrentRow() {
    // Also while the hand-off picture is hidden: without the consultation
    // program the hand-off says so rather than doing nothing.
    const auto row = m_model->row(m_model->currentRow());
    if (!row) return;
    guarded([&] { app::ChooseOrHandOff(this, m_ctx, m_lookupQuery, std::string(row->code)); });
}

void SearchWindow::handleWindowKey(QKeyEvent* event) {
    // The keyboard's click of a focused picture.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier)
        for (app::ImageButton* image : {m_ui->searchButton, m_ui->closeButton, m_ui->handOffButton})
            if (focusWidget() == image) {
                pictureReleased(image);
                return;
            }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) search(this);
}

bool SearchWindow::eventFilter(QObject* watched, QEvent* event) {
    // A key press goes first to the focused control and, when that control
    // leaves it, on up to the window: it is handled once, at its first stop.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        QWidget* first = focusWidget() ? focusWidget() : this;
        if (watched == first) handleWindowKey(key);
        // Ctrl+End goes to the true last row (the rest of the result read
        // first), staying in the current column so the code stays in view.
        if (watched == m_ui->resultGrid && key->key() == Qt::Key_End &&
            (key->modifiers() & Qt::ControlModifier)) {
            m_model->fetchAll();
            if (m_model->rowCount() > 0) {
                QTableView* grid = m_ui->resultGrid;
                const int column = std::max(0, grid->currentIndex().column());
                grid->setCurrentIndex(m_model->index(m_model->rowCount() - 1, column));
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SearchWindow::showCurrentRow() {
    const auto row = m_model->row(m_model->currentRow());
    const std::string code = row ? std::string(row->code) : std::string();
    const bool icd11 = codes::IsIcd11Code(code);
    m_ui->currentCodeLabel->setText(QString::fromStdString(code));
    m_ui->currentNameLabel->setText(QString::fromStdString(
        GridChineseName(code, m_model->decoratedName(m_model->currentRow()).toStdString())));
    m_ui->currentEnglishNameLabel->setText(
        row ? QString::fromUtf8(row->englishName.data(), static_cast<qsizetype>(row->englishName.size()))
            : QString());
    // The notes panel follows (later, so the grid never waits for it).
    app::FollowCode(m_ctx, code);
    // An ICD-11 code in dark green, with a tooltip saying what it is.
    const QString tip = icd11 ? QString::fromUtf8(Icd11Explanation) : QString();
    m_ui->currentCodeLabel->setToolTip(tip);
    m_ui->currentNameLabel->setToolTip(tip);
    m_ui->currentCodeLabel->setStyleSheet(icd11 ? QStringLiteral("color: #006400; font-weight: bold;")
                                                : QString());
}

void SearchWindow::showError(const std::string& message) {
    // No message box while typing: a live search that fails leaves the grid
    // empty, and Enter then shows the message.
    if (m_quiet) return;
    m_ctx.messages.show(message);
}

} // namespace search

#include "alphaindex/indexwindow.h"

#include <QAbstractListModel>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QShortcut>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/core/guidehooks.h"
#include "app/widgets/billablechooser.h"
#include "app/widgets/filterkeys.h"
#include "app/widgets/imagebutton.h"
#include "app/widgets/look.h"
#include "app/widgets/noteskey.h"
#include "app/widgets/pictures.h"
#include "codes/coderules.h"
#include "db/error.h"
#include "guidepanel/notespage.h"
#include "guide/reader.h"

namespace alphaindex {

namespace {

QString Q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The code an entry leads to: its own, else the subcategory or category its
// "see" names.
std::string CodeOf(const guide::IndexEntry& e) {
    if (!e.code.empty()) return e.code;
    return e.subcat.empty() ? e.seecat : e.subcat;
}

// The words that find a term again: the titles of its path without their
// nonessential modifiers (in parentheses), which are not words of the term.
//   {"Sprain (joint) (ligament)", "ankle"} => "Sprain ankle"
QString WordsOf(const guide::IndexEntry& e) {
    QStringList words;
    for (const std::string& title : e.path) {
        std::string plain;
        int depth = 0;
        for (char c : title) {
            if (c == '(') ++depth;
            if (depth == 0) plain += c;
            if (c == ')' && depth > 0) --depth;
        }
        const QString t = Q(plain).simplified();
        if (!t.isEmpty()) words << t;
    }
    return words.join(QLatin1Char(' '));
}

} // namespace

// The results, read from the index only for the rows shown.
class ResultList : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    void setResults(guide::IndexSearch* index, std::vector<long> ids) {
        beginResetModel();
        m_index = index;
        m_ids = std::move(ids);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_ids.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!m_index || !index.isValid() || index.row() >= rowCount()) return {};
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
        return Q(m_index->entry(m_ids[static_cast<std::size_t>(index.row())]).text());
    }
    long term(int row) const {
        return row >= 0 && row < rowCount() ? m_ids[static_cast<std::size_t>(row)] : 0;
    }
    int rowOf(long term) const {
        for (std::size_t i = 0; i < m_ids.size(); ++i)
            if (m_ids[i] == term) return static_cast<int>(i);
        return -1;
    }

private:
    guide::IndexSearch* m_index = nullptr;
    std::vector<long> m_ids;
};

IndexWindow::IndexWindow(app::AppContext& context, guide::Guide& guide, QWidget* parent)
    : app::WorkingWindow(context, app::IndexWindowNo, parent), m_guide(guide),
      m_lookupQuery(context.connection) {
    setWindowTitle(QStringLiteral("ICD-10-CM 索引查詢"));
    setFont(app::PixelFont(app::look::kMingFace, 16));
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, app::look::kNavy);
    pal.setColor(QPalette::Text, app::look::kNavy);
    setPalette(pal);

    // Made in the order Tab takes through them.
    makeSearchRow();
    makeResultArea();
    makeHintRow();
    layOut();
    connectActions();
    m_count->setText(QStringLiteral("共 0 筆"));
    m_words->setFocus();
}

IndexWindow::~IndexWindow() = default;

// The words box with its caption, the count and the close picture.
void IndexWindow::makeSearchRow() {
    m_wordsLabel = new QLabel(QStringLiteral("英文字詞"), this);
    m_words = new QLineEdit(this);
    m_words->setObjectName(QStringLiteral("wordsEdit"));
    m_words->setPlaceholderText(QStringLiteral("例如：sprain ankle（字詞次序不拘，每個字詞比對單字開頭）"));
    app::look::PaintFilterBox(m_words);
    m_wordsLabel->setBuddy(m_words);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("countLabel"));
    m_close = new app::ImageButton(this);
    m_close->setObjectName(QStringLiteral("closeButton"));
    m_close->setFixedSize(52, 51);
    m_close->setToolTip(QStringLiteral("關閉"));
    app::LoadPicture(m_close, QStringLiteral(":/assets/common/close.svg"));
}

// The list of index entries and, under it, the current entry with its links.
void IndexWindow::makeResultArea() {
    m_results = new ResultList(this);
    m_view = new QListView(this);
    m_view->setObjectName(QStringLiteral("resultView"));
    m_view->setModel(m_results);
    m_view->setUniformItemSizes(true);
    m_view->setAlternatingRowColors(true);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setFont(app::PixelFont(app::look::kTimesNewRomanFace, 16));

    m_entry = new QLabel(this);
    m_entry->setObjectName(QStringLiteral("entryLabel"));
    m_entry->setTextFormat(Qt::RichText);
    m_entry->setWordWrap(true);
    m_entry->setMinimumHeight(44);
    m_entry->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_entry->setFont(app::PixelFont(app::look::kTimesNewRomanFace, 15));
    m_entry->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::TextSelectableByMouse);
}

// The key hint and the hand-off picture.
void IndexWindow::makeHintRow() {
    m_hint = new QLabel(
        QStringLiteral(
            "↑↓ 選擇　Enter 或按兩下：傳送代碼（非最細碼時列出其下的最細碼；see 則前往所指詞條）　%1")
            .arg(app::NotesKeyHint()),
        this);
    m_hint->setObjectName(QStringLiteral("hintLabel"));
    m_hint->setWordWrap(true);
    QPalette grey = m_hint->palette();
    grey.setColor(QPalette::WindowText, app::look::kHintGrey);
    m_hint->setPalette(grey);
    m_hint->setFont(app::PixelFont(app::look::kMingFace, 13));
    m_handOff = new app::ImageButton(this);
    m_handOff->setObjectName(QStringLiteral("handOffButton"));
    m_handOff->setFixedSize(30, 30);
    m_handOff->setToolTip(QStringLiteral("傳送到醫師問診作業（%1）").arg(app::ChooserKeyHint()));
    app::LoadPicture(m_handOff, QStringLiteral(":/assets/common/handoff.svg"));
}

// The search row at the top, the list taking the room, the entry, the hint row.
void IndexWindow::layOut() {
    auto* top = new QHBoxLayout;
    top->addWidget(m_wordsLabel);
    top->addWidget(m_words, 1);
    top->addWidget(m_count);
    top->addWidget(m_close);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_hint, 1);
    bottom->addWidget(m_handOff, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_entry);
    layout->addLayout(bottom);
    setEnlargeableClientSize(760, 540);
}

// Typing searches; the current row, links, pictures, double-click, the chooser
// key and F1 act on the current entry.
void IndexWindow::connectActions() {
    m_readLater.setSingleShot(true);
    m_readLater.setInterval(100);
    connect(&m_readLater, &QTimer::timeout, this, &IndexWindow::readIndexNow);
    connect(m_words, &QLineEdit::textChanged, this, &IndexWindow::search);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &IndexWindow::currentChanged);
    connect(m_results, &QAbstractItemModel::modelReset, this, &IndexWindow::currentChanged);
    connect(m_view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!index.isValid()) return;
        setCurrentRow(index.row());
        actOnCurrent();
    });
    connect(m_entry, &QLabel::linkActivated, this, [this](const QString& link) { openLink(QUrl(link)); });
    connect(m_close, &app::ImageButton::released, this, [this] { close(); });
    connect(m_handOff, &app::ImageButton::released, this, [this] { actOnCurrent(); });
    auto* chooserKey = new QShortcut(QKeySequence(app::ChooserKey), this);
    connect(chooserKey, &QShortcut::activated, this, &IndexWindow::actOnCurrent);
    app::InstallNotesKey(this, m_ctx, [this] { return codes::LookupKey(currentCode()); });
    m_words->installEventFilter(this);
    m_view->installEventFilter(this);
    setHandOffWidgets({m_handOff});
}

bool IndexWindow::ready() {
    if (m_unusable) return false;
    if (!m_guide.isOpen()) {
        showProblem(m_guide.problem());
        return false;
    }
    try {
        m_guide.index().load();
    } catch (const db::Error& e) {
        showProblem(e.what());
        return false;
    }
    return true;
}

void IndexWindow::showProblem(const std::string& problem) {
    m_unusable = true;
    m_words->setEnabled(false);
    m_count->clear();
    m_entry->setText(Q(guidepanel::ProblemHtml(problem + "索引查詢因此無法使用。")));
}

void IndexWindow::showEvent(QShowEvent* event) {
    app::WorkingWindow::showEvent(event);
    // The index is read once, a moment after the window has appeared and been
    // drawn (it takes a fraction of a second); typing before that reads it at once.
    if (m_unusable || (m_guide.isOpen() && m_guide.index().loaded())) return;
    m_entry->setText(QStringLiteral("正在讀取字母索引…"));
    m_readLater.start();
}

void IndexWindow::readIndexNow() {
    if (!ready()) return;
    if (m_results->rowCount() == 0) {
        m_entry->clear();
        search(m_words->text());
    }
}

void IndexWindow::search(const QString& words) {
    if (!ready()) return;
    guide::IndexSearch& index = m_guide.index();
    m_results->setResults(&index, index.find(words.toStdString()));
    const int n = m_results->rowCount();
    m_count->setText(QStringLiteral("共 %L1 筆").arg(n));
    if (n > 0) setCurrentRow(0);
}

void IndexWindow::setCurrentRow(int row) {
    const QModelIndex index = m_results->index(row, 0);
    m_view->setCurrentIndex(index);
    m_view->scrollTo(index);
}

int IndexWindow::currentRow() const {
    return m_view->currentIndex().isValid() ? m_view->currentIndex().row() : -1;
}

int IndexWindow::resultCount() const {
    return m_results->rowCount();
}

QString IndexWindow::resultText(int row) const {
    return m_results->data(m_results->index(row, 0), Qt::DisplayRole).toString();
}

std::string IndexWindow::currentCode() const {
    const long term = m_results->term(currentRow());
    return term ? CodeOf(m_guide.index().entry(term)) : std::string();
}

void IndexWindow::currentChanged() {
    const long term = m_results->term(currentRow());
    if (!term) {
        if (!m_unusable) m_entry->clear();
        return;
    }
    guide::IndexSearch& index = m_guide.index();
    const guide::IndexEntry e = index.entry(term);
    m_entry->setText(
        Q(guidepanel::IndexEntryHtml(e, [&](std::string_view ref) { return index.resolve(ref); })));
    // The notes panel follows the code the result leads to.
    app::FollowCode(m_ctx, codes::LookupKey(CodeOf(e)));
}

void IndexWindow::actOnCurrent() {
    const long term = m_results->term(currentRow());
    if (!term) return;
    const guide::IndexEntry e = m_guide.index().entry(term);
    const std::string code = CodeOf(e);
    if (!code.empty()) {
        // As the search grid does: a header (S93.40-) offers the billable codes
        // under it, a billable code is handed off, anything else says why.
        guarded([&] { app::ChooseOrHandOff(this, m_ctx, m_lookupQuery, codes::LookupKey(code)); });
        return;
    }
    for (const std::string& reference : {e.see, e.seeAlso}) {
        if (reference.empty()) continue;
        const guide::SeeTarget target = m_guide.index().resolve(reference);
        if (target.term) {
            goToTerm(target.term);
            return;
        }
    }
}

void IndexWindow::goToTerm(long term) {
    if (!ready()) return;
    const guide::IndexEntry e = m_guide.index().entry(term);
    m_words->setText(WordsOf(e)); // searches
    int row = m_results->rowOf(term);
    if (row < 0) {
        // Not among what its words find: shown alone.
        m_results->setResults(&m_guide.index(), {term});
        m_count->setText(QStringLiteral("共 1 筆"));
        row = 0;
    }
    setCurrentRow(row);
}

void IndexWindow::openLink(const QUrl& link) {
    const std::string href = link.toString().toStdString();
    if (const std::optional<long> term = guidepanel::TermOfHref(href)) {
        goToTerm(*term);
    } else if (const std::optional<std::string> code = guidepanel::CodeOfHref(href)) {
        app::ShowCodeNotes(m_ctx, codes::LookupKey(*code));
    }
}

bool IndexWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && app::RouteFilterKey(watched, *static_cast<QKeyEvent*>(event),
                                                                 m_words, m_view, [this] { actOnCurrent(); }))
        return true;
    return app::WorkingWindow::eventFilter(watched, event);
}

} // namespace alphaindex

#include "guidepanel/notespanel.h"

#include <algorithm>

#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

#include "app/widgets/look.h"
#include "app/widgets/pictures.h"
#include "guidepanel/notespage.h"
#include "guide/reader.h"

namespace guidepanel {

namespace {

QString Q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

constexpr std::size_t HistoryLength = 30;

const char* NothingSelected =
    "在編碼查詢的表格、樹狀瀏覽、最細碼選單或索引查詢中選一個代碼，這裡就列出它的編碼指引。";

} // namespace

NotesPanel::NotesPanel(guide::Guide& codersGuide, QWidget* parent)
    : QWidget(parent, Qt::Window), m_guide(codersGuide) {
    setWindowTitle(QStringLiteral("編碼指引"));
    setObjectName(QStringLiteral("notesPanel"));
    setFont(app::PixelFont(app::look::kMingFace, 15));
    // Shown by F1 without taking the keyboard from the window whose selection it follows.
    setAttribute(Qt::WA_ShowWithoutActivating);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_back = new QPushButton(QStringLiteral("上一個"), this);
    m_back->setObjectName(QStringLiteral("backButton"));
    m_back->setToolTip(QStringLiteral("回到按連結前的代碼"));
    m_back->setEnabled(false);
    auto* indexButton = new QPushButton(QStringLiteral("索引查詢"), this);
    indexButton->setObjectName(QStringLiteral("indexButton"));
    indexButton->setToolTip(QStringLiteral("以英文字詞查 ICD-10-CM 字母索引"));

    m_page = new QTextBrowser(this);
    m_page->setObjectName(QStringLiteral("notesPage"));
    m_page->setOpenLinks(false);
    m_page->setFont(app::PixelFont(app::look::kTimesNewRomanFace, 15));

    auto* pairLabel = new QLabel(QStringLiteral("可否同時編碼：與"), this);
    m_pairBox = new QComboBox(this);
    m_pairBox->setObjectName(QStringLiteral("pairBox"));
    m_pairBox->setEditable(true);
    m_pairBox->setInsertPolicy(QComboBox::NoInsert);
    m_pairBox->setMinimumContentsLength(12);
    m_pairBox->lineEdit()->setPlaceholderText(QStringLiteral("第二個代碼，如 M54.16"));
    m_pairBox->setToolTip(
        QStringLiteral("輸入或選擇第二個代碼（清單為之前看過的代碼），按 Enter 或「檢查」"));
    pairLabel->setBuddy(m_pairBox);
    auto* pairButton = new QPushButton(QStringLiteral("檢查"), this);
    pairButton->setObjectName(QStringLiteral("pairButton"));
    m_pairResult = new QLabel(this);
    m_pairResult->setObjectName(QStringLiteral("pairResultLabel"));
    m_pairResult->setTextFormat(Qt::RichText);
    m_pairResult->setWordWrap(true);
    m_pairResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pairResult->setMinimumHeight(40);
    m_pairResult->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* top = new QHBoxLayout;
    top->addWidget(m_status, 1);
    top->addWidget(m_back);
    top->addWidget(indexButton);
    auto* pairRow = new QHBoxLayout;
    pairRow->addWidget(pairLabel);
    pairRow->addWidget(m_pairBox, 1);
    pairRow->addWidget(pairButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_page, 1);
    layout->addLayout(pairRow);
    layout->addWidget(m_pairResult);

    m_follow.setSingleShot(true);
    m_follow.setInterval(0);
    connect(&m_follow, &QTimer::timeout, this, &NotesPanel::followPending);
    connect(m_page, &QTextBrowser::anchorClicked, this, &NotesPanel::openLink);
    connect(m_back, &QPushButton::clicked, this, &NotesPanel::goBack);
    connect(indexButton, &QPushButton::clicked, this, &NotesPanel::showIndex);
    connect(pairButton, &QPushButton::clicked, this, &NotesPanel::checkPair);
    connect(m_pairBox->lineEdit(), &QLineEdit::returnPressed, this, &NotesPanel::checkPair);
    connect(m_pairBox, &QComboBox::activated, this, &NotesPanel::checkPair);

    resize(560, 660);
    m_status->setText(m_guide.isOpen() ? QString() : QStringLiteral("編碼指引無法使用"));
    m_page->setHtml(Q(m_guide.isOpen() ? ProblemHtml(NothingSelected) : ProblemHtml(m_guide.problem())));
}

NotesPanel::~NotesPanel() = default;

void NotesPanel::codeSelected(const std::string& code) {
    m_pending = code;
    // Read once the moves have settled: the timer fires when the event loop is
    // idle again, after every queued key has moved the selection.
    if (isVisible()) m_follow.start();
}

void NotesPanel::followPending() {
    if (!isVisible() || m_pending.empty() || m_pending == m_shown) return;
    m_history.clear();
    m_back->setEnabled(false);
    showCode(m_pending);
}

void NotesPanel::showNotes(const std::string& code) {
    if (!code.empty()) m_pending = code;
    if (!isVisible()) {
        // Beside the windows, at the right of the screen, the first time.
        if (!property("placed").toBool()) {
            const QScreen* screen = QGuiApplication::primaryScreen();
            if (screen) {
                const QRect area = screen->availableGeometry();
                resize(std::min(width(), area.width()), std::min(height(), area.height() - 40));
                move(area.right() - width() - 8, area.top() + 30);
            }
            setProperty("placed", true);
        }
        show();
    }
    raise();
    m_follow.stop();
    m_history.clear();
    m_back->setEnabled(false);
    if (!m_pending.empty()) showCode(m_pending);
}

void NotesPanel::showIndex() {
    if (m_openIndex) m_openIndex();
}

void NotesPanel::showCode(const std::string& code) {
    if (!m_guide.isOpen()) {
        m_status->setText(QStringLiteral("編碼指引無法使用"));
        m_page->setHtml(Q(ProblemHtml(m_guide.problem())));
        return;
    }
    const guide::CodeGuide found = m_guide.lookup(code);
    ++m_readings;
    m_shown = code;
    m_status->setText(found.found ? Q(found.code) : Q(code));
    m_page->setHtml(Q(NotesPageHtml(found)));
    if (found.found) remember(found.code);
    if (!m_pairBox->currentText().trimmed().isEmpty()) checkPair();
}

void NotesPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

QString NotesPanel::pageText() const {
    return m_page->toPlainText();
}

void NotesPanel::openLink(const QUrl& link) {
    const std::optional<std::string> code = CodeOfHref(link.toString().toStdString());
    if (!code) return;
    if (!m_shown.empty()) {
        m_history.push_back(m_shown);
        if (m_history.size() > HistoryLength) m_history.pop_front();
    }
    m_back->setEnabled(!m_history.empty());
    showCode(*code);
}

void NotesPanel::goBack() {
    if (m_history.empty()) return;
    const std::string code = m_history.back();
    m_history.pop_back();
    m_back->setEnabled(!m_history.empty());
    showCode(code);
}

void NotesPanel::remember(const std::string& code) {
    const QString c = Q(code);
    const QString typed = m_pairBox->currentText();
    const int at = m_pairBox->findText(c);
    if (at >= 0) m_pairBox->removeItem(at);
    m_pairBox->insertItem(0, c);
    while (m_pairBox->count() > static_cast<int>(HistoryLength))
        m_pairBox->removeItem(m_pairBox->count() - 1);
    m_pairBox->setCurrentText(typed); // the list grows; what was typed stays
}

void NotesPanel::checkPair() {
    const std::string second = m_pairBox->currentText().trimmed().toStdString();
    if (!m_guide.isOpen()) {
        m_pairResult->setText(Q(ProblemHtml(m_guide.problem())));
        return;
    }
    if (m_shown.empty() || second.empty()) {
        m_pairResult->setText(Q(ProblemHtml("請先選一個代碼，再輸入或選擇第二個代碼。")));
        return;
    }
    m_pairResult->setText(Q(PairHtml(m_guide.checkPair(m_shown, second))));
}

QString NotesPanel::pairText() const {
    QTextDocument doc;
    doc.setHtml(m_pairResult->text());
    return doc.toPlainText();
}

} // namespace guidepanel

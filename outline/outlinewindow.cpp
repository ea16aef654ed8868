#include "outline/outlinewindow.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QWheelEvent>

#include "codes/decoration.h"
#include "app/core/handoff.h"
#include "app/widgets/billablechooser.h"
#include "app/widgets/codecopy.h"
#include "app/widgets/imagebutton.h"
#include "app/widgets/look.h"
#include "app/widgets/pictures.h"
#include "outline/outlinetexts.h"
#include "ui_outlinewindow.h"

namespace outline {

namespace {

const char* const kNoIdMessage = "no id!";
const char* const kNoHeaderMessage = "請先進入一個非最細碼的類目，再按 F2 選擇其下的最細碼。";

// Font sizes are points as the layout gives them; the pictures are drawn at
// 96 dots per inch whatever the screen, so a label looks the same everywhere.
int PixelsOf(int points) {
    return (points * 4 + 1) / 3;
}

QString FaceName(Face face, const QString& defaultFace) {
    switch (face) {
    case Face::Times:
        return app::look::kTimesFace.toString();
    case Face::Ming:
        return app::look::kMingFace.toString();
    case Face::Default:
        break;
    }
    return defaultFace;
}

QColor InkColour(Ink ink) {
    switch (ink) {
    case Ink::Blue:
        return QColor(0, 0, 255);
    case Ink::Magenta:
        return QColor(255, 0, 255);
    case Ink::Black:
        break;
    }
    return QColor(0, 0, 0);
}

class QtMeasure : public TextMeasure {
public:
    explicit QtMeasure(QString defaultFace) : m_default(std::move(defaultFace)) {}
    QFont font(Face face, int size, bool bold) const {
        return app::PixelFont(FaceName(face, m_default), PixelsOf(size), bold);
    }
    int width(std::string_view text, Face face, int size, bool bold) const override {
        return QFontMetrics(font(face, size, bold))
            .horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
    int height(Face face, int size, bool bold) const override {
        return QFontMetrics(font(face, size, bold)).height();
    }

private:
    QString m_default;
};

} // namespace

OutlineWindow::OutlineWindow(app::AppContext& context, bool icd11Mode, QWidget* parent)
    : app::WorkingWindow(context, app::OutlineWindowNo, parent), m_ui(std::make_unique<Ui::OutlineWindow>()),
      m_listingQuery(context.connection) {
    m_ui->setupUi(this);
    setFixedClientSize(711, 523);
    setUp(icd11Mode);
}

OutlineWindow::~OutlineWindow() = default;

app::ImageButton* OutlineWindow::homeImage() const {
    return m_ui->homeButton;
}
app::ImageButton* OutlineWindow::backImage() const {
    return m_ui->backButton;
}
app::ImageButton* OutlineWindow::closeImage() const {
    return m_ui->closeButton;
}
QScrollArea* OutlineWindow::scrollBox() const {
    return m_ui->tileArea;
}

void OutlineWindow::setUp(bool icd11) {
    setWindowTitle(icd11 ? QStringLiteral("ICD-11中醫章節層次瀏覽") : QStringLiteral("ICD-10章節層次瀏覽"));
    m_browser = std::make_unique<OutlineBrowser>(OutlineTextLines(icd11), icd11, m_listingQuery);

    loadPictures();
    setUpPins();
    setUpLook(icd11);
    m_ui->tileArea->verticalScrollBar()->setSingleStep(kRowHeight);
    m_ui->tileArea->viewport()->installEventFilter(this);
    createTiles();
    setUpKeyboard();
    showState();
}

// The tile templates, and the pictures of the buttons and the mark.
void OutlineWindow::loadPictures() {
    m_asteriskBar =
        app::RenderPicture(QStringLiteral(":/assets/outline/bar_asterisk.svg"), QSize(kBarWidth, kBarHeight));
    m_chapterButton = app::RenderPicture(QStringLiteral(":/assets/outline/chapter_button.svg"),
                                         QSize(kChapterTileWidth, kChapterTileHeight));
    m_greenBar =
        app::RenderPicture(QStringLiteral(":/assets/outline/bar_green.svg"), QSize(kBarWidth, kBarHeight));
    m_paleYellowBar = app::RenderPicture(QStringLiteral(":/assets/outline/bar_paleyellow.svg"),
                                         QSize(kBarWidth, kBarHeight));
    m_blueBar =
        app::RenderPicture(QStringLiteral(":/assets/outline/bar_blue.svg"), QSize(kBarWidth, kBarHeight));

    app::LoadPicture(m_ui->homeButton, QStringLiteral(":/assets/outline/home.svg"));
    app::LoadPicture(m_ui->backButton, QStringLiteral(":/assets/outline/back.svg"));
    app::LoadPicture(m_ui->closeButton, QStringLiteral(":/assets/outline/close.svg"));
    m_ui->homeButton->setToolTip(QStringLiteral("回到章節"));
    m_ui->backButton->setToolTip(QStringLiteral("回上一層"));
    m_ui->closeButton->setToolTip(QStringLiteral("關閉"));
    for (auto* b : {m_ui->homeButton, m_ui->backButton, m_ui->closeButton})
        connect(b, &app::ImageButton::released, this, &OutlineWindow::pictureReleased);

    m_ui->markPicture->setPixmap(
        app::RenderPicture(QStringLiteral(":/assets/outline/outline_mark.svg"), QSize(280, 220)));
}

// The pinned slots, their hand-off arrows (shown only with the consultation
// program, see showHandOff, which also words the caption under them), and
// Ctrl+C on them.
void OutlineWindow::setUpPins() {
    m_pinImages = {m_ui->pinSlot1, m_ui->pinSlot2, m_ui->pinSlot3, m_ui->pinSlot4, m_ui->pinSlot5};
    m_handOffImages = {m_ui->handOffArrow1, m_ui->handOffArrow2, m_ui->handOffArrow3, m_ui->handOffArrow4,
                       m_ui->handOffArrow5};
    // Ctrl+C copies a pinned code: the slot under the pointer, else the first
    // pinned one. No right-click menu: the right button releases a picture as
    // the left one does.
    app::InstallCodeCopy(
        this,
        [this] {
            int chosen = 0;
            for (int s = 1; s <= kPinSlots; ++s) {
                app::ImageButton* pin = pinSlotImage(s);
                const bool pointed =
                    pin->isVisible() && pin->rect().contains(pin->mapFromGlobal(QCursor::pos()));
                if (m_browser->pinSlot(s).pinned && (pointed || chosen == 0)) chosen = s;
                if (pointed) break;
            }
            return chosen ? app::CodeOfText(m_browser->pinSlot(chosen).code) : app::CopiedCode{};
        },
        false);
    const QPixmap arrow = app::RenderPicture(QStringLiteral(":/assets/outline/handoff.svg"), QSize(30, 30));
    for (auto* pin : m_pinImages) {
        pin->setPicture(m_paleYellowBar);
        connect(pin, &app::ImageButton::released, this, &OutlineWindow::pictureReleased);
    }
    for (auto* a : m_handOffImages) {
        a->setPicture(arrow);
        a->setToolTip(QStringLiteral("傳送至醫師問診作業"));
        connect(a, &app::ImageButton::released, this, &OutlineWindow::pictureReleased);
    }
    m_ui->pinCaption->resize(m_ui->pinCaption->width(),
                             3 * m_ui->pinCaption->fontMetrics().lineSpacing() + 2);
    // The arrows show while the consultation program's window is there,
    // looked for at every showing and activation.
    setHandOffWidgets({m_handOffImages.begin(), m_handOffImages.end()});
}

// The mode caption and the colours of the panels: the button column, the frame
// of the tile area.
void OutlineWindow::setUpLook(bool icd11) {
    m_ui->modeCaption->setText(icd11 ? QStringLiteral("ICD-11 傳統醫學章節")
                                     : QStringLiteral("ICD-10-CM 2023 章節"));
    m_ui->modeCaption->setFont(app::PixelFont(app::look::kMingFace, 20, true));
    m_ui->modeCaption->setStyleSheet(QStringLiteral("color: #a3b3c9;"));
    m_ui->buttonColumn->setStyleSheet(QStringLiteral(
        "#buttonColumn { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #2b4c80, stop:1 #40689f);"
        " border: none; }"));
    m_ui->tileFrame->setStyleSheet(QStringLiteral("#tileFrame { background: #7f99bf; border: none; }"));
    m_ui->tileAreaContent->setStyleSheet(QStringLiteral("#tileAreaContent { background: #f5f8fc; }"));
    m_ui->tileArea->viewport()->setStyleSheet(QStringLiteral("background: #f5f8fc;"));
    setStyleSheet(QStringLiteral("outline--OutlineWindow { background: #e8edf4; }"));
    m_ui->pinCaption->setStyleSheet(QStringLiteral("color: %1;").arg(app::look::kHintGrey.name()));
}

// F2 opens the chooser. The tile area holds the focus at first (the arrow keys
// scroll it); Tab goes from there through the tiles in the order they are
// listed, then the pinned slots with their arrows, then home, back and close.
// Hidden pictures are passed over.
void OutlineWindow::setUpKeyboard() {
    auto* chooserKey = new QShortcut(QKeySequence(app::ChooserKey), this);
    connect(chooserKey, &QShortcut::activated, this, &OutlineWindow::chooseUnderCurrentCode);
    QList<QWidget*> chain{m_ui->tileArea};
    for (auto* t : m_chapterImages)
        chain.append(t);
    for (auto* t : m_pathImages)
        chain.append(t);
    for (auto* t : m_entryImages)
        chain.append(t);
    for (int s = 0; s < kPinSlots; ++s)
        chain << m_pinImages[static_cast<std::size_t>(s)] << m_handOffImages[static_cast<std::size_t>(s)];
    chain << m_ui->homeButton << m_ui->backButton << m_ui->closeButton;
    for (int i = 1; i < chain.size(); ++i) {
        chain[i]->setFocusPolicy(Qt::TabFocus);
        setTabOrder(chain[i - 1], chain[i]);
    }
    m_ui->tileArea->setFocus();
}

app::ImageButton* OutlineWindow::newTile(int tag, QSize size) {
    auto* tile = new app::ImageButton(m_ui->tileAreaContent);
    tile->setTag(tag);
    tile->resize(size);
    tile->hide();
    // Reached with Tab, pressed with Space or Enter; a click never takes the focus.
    tile->setFocusPolicy(Qt::TabFocus);
    connect(tile, &app::ImageButton::released, this, &OutlineWindow::pictureReleased);
    return tile;
}

void OutlineWindow::showHandOff(bool offered) {
    app::WorkingWindow::showHandOff(offered);
    m_ui->pinCaption->setText(
        offered ? QStringLiteral(
                      "點選最細碼 (*) 即釘選於上方，點選釘選列可移除；\n紅色箭頭把該碼傳送至醫師問診作業；\n"
                      "F2：選擇目前類目之下的最細碼")
                : QStringLiteral(
                      "點選最細碼 (*) 即釘選於上方，點選釘選列可移除；\nF2：選擇目前類目之下的最細碼"));
}

void OutlineWindow::createTiles() {
    const QSize chapterSize(kChapterTileWidth, kChapterTileHeight);
    const QSize barSize(kBarWidth, kBarHeight);
    for (int k = 1; k <= kChapterTiles; ++k) {
        app::ImageButton* tile = newTile(k, chapterSize);
        tile->move(ChapterTileLeft(k), ChapterTileTop(k));
        // Each chapter tile's text is drawn once, here.
        tile->setPicture(drawTile(m_browser->chapterTile(k).picture, false));
        tile->setToolTip(QString::fromStdString(TileToolTip(m_browser->chapterTile(k).picture)));
        m_chapterImages[static_cast<std::size_t>(k - 1)] = tile;
    }
    for (int t = 1; t <= kPathTiles; ++t) {
        app::ImageButton* tile = newTile(t, barSize);
        tile->move(kTileLeft, PathTileTop(t));
        tile->setPicture(m_greenBar);
        m_pathImages[static_cast<std::size_t>(t - 1)] = tile;
        m_pathDrawn[static_cast<std::size_t>(t - 1)] = m_browser->pathTile(t).picture;
    }
    for (int e = 1; e <= kEntryTiles; ++e) {
        app::ImageButton* tile = newTile(e, barSize);
        tile->move(kTileLeft, m_browser->entryTile(e).top);
        tile->setPicture(m_greenBar);
        m_entryImages[static_cast<std::size_t>(e - 1)] = tile;
        m_entryDrawn[static_cast<std::size_t>(e - 1)] = m_browser->entryTile(e).picture;
    }
    for (int s = 1; s <= kPinSlots; ++s)
        m_pinDrawn[static_cast<std::size_t>(s - 1)] = m_browser->pinSlot(s).picture;
}

const QPixmap& OutlineWindow::templatePicture(Template t) const {
    switch (t) {
    case Template::ChapterButton:
        return m_chapterButton;
    case Template::BlueBar:
        return m_blueBar;
    case Template::GreenBar:
        return m_greenBar;
    case Template::AsteriskBar:
        return m_asteriskBar;
    case Template::PaleYellowBar:
        break;
    }
    return m_paleYellowBar;
}

QPixmap OutlineWindow::drawTile(const TilePicture& picture, bool reportEmptyCode) {
    QPixmap pm = templatePicture(picture.base).copy(); // the tile's own copy
    const QtMeasure measure(font().family());
    switch (picture.kind) {
    case LabelKind::Chapter:
        paintRuns(pm, LayoutChapterTile(measure, picture.number, picture.code, picture.name));
        break;
    case LabelKind::FirstPath:
        paintRuns(pm, LayoutFirstPathTile(measure, picture.number, picture.code, picture.name, pm.height()));
        break;
    case LabelKind::Entry:
        drawEntryLabel(pm, picture, reportEmptyCode);
        break;
    case LabelKind::None:
        break;
    }
    return pm;
}

void OutlineWindow::drawEntryLabel(QPixmap& pm, const TilePicture& picture, bool reportEmptyCode) {
    const QtMeasure measure(font().family());
    const EntryLabel label = LayoutEntryLabel(measure, pm.width(), pm.height(), picture.code, picture.name,
                                              picture.flag, picture.highlight);
    if (label.emptyCode && reportEmptyCode) showMessage(kNoIdMessage);
    paintRuns(pm, label.runs);
}

void OutlineWindow::paintRuns(QPixmap& pm, const std::vector<TextRun>& runs) const {
    const QtMeasure measure(font().family());
    QPainter painter(&pm);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setBrush(Qt::NoBrush); // text on a transparent background
    for (const TextRun& run : runs) {
        const QFont f = measure.font(run.face, run.size, run.bold);
        painter.setFont(f);
        painter.setPen(InkColour(run.ink));
        painter.drawText(run.x, run.y + QFontMetrics(f).ascent(), QString::fromUtf8(run.text));
    }
}

void OutlineWindow::showTile(app::ImageButton* image, const TilePicture& picture, TilePicture& drawn,
                             bool entryLabel) {
    if (picture == drawn) return;
    // Code, Chinese and English name: the drawn label may be cut or shortened.
    image->setToolTip(QString::fromStdString(TileToolTip(picture)));
    image->setPicture(drawTile(picture, entryLabel));
    drawn = picture;
}

void OutlineWindow::showState() {
    const OutlineBrowser& b = *m_browser;
    // A tile pressed from the keyboard may be hidden by what follows; the focus
    // then goes to the first tile of the new level instead of leaving the list.
    QWidget* focused = QApplication::focusWidget();
    const bool focusOnTiles = focused && m_ui->tileAreaContent->isAncestorOf(focused);
    int bottom = 0;
    for (int k = 1; k <= kChapterTiles; ++k) {
        app::ImageButton* image = chapterTileImage(k);
        image->setVisible(b.chapterTile(k).visible);
        if (b.chapterTile(k).visible) bottom = std::max(bottom, ChapterTileTop(k) + kChapterTileHeight);
    }
    for (int t = 1; t <= kPathTiles; ++t) {
        const PathTile& p = b.pathTile(t);
        app::ImageButton* image = pathTileImage(t);
        if (p.visible) showTile(image, p.picture, m_pathDrawn[static_cast<std::size_t>(t - 1)], true);
        image->setVisible(p.visible);
        if (p.visible) bottom = std::max(bottom, PathTileTop(t) + kBarHeight);
    }
    for (int e = 1; e <= kEntryTiles; ++e) {
        const EntryTile& entry = b.entryTile(e);
        app::ImageButton* image = entryTileImage(e);
        if (entry.visible) {
            showTile(image, entry.picture, m_entryDrawn[static_cast<std::size_t>(e - 1)], true);
            image->move(kTileLeft, entry.top);
            bottom = std::max(bottom, entry.top + kBarHeight);
        }
        image->setVisible(entry.visible);
    }
    for (int s = 1; s <= kPinSlots; ++s)
        showTile(pinSlotImage(s), b.pinSlot(s).picture, m_pinDrawn[static_cast<std::size_t>(s - 1)], false);

    // The scroll range covers the visible tiles.
    m_ui->tileAreaContent->resize(2 * kChapterTileWidth + 3 * 4, bottom + 4);
    if (b.currentLevel() != m_shownLevel) {
        // A new level: keep the row whose children are listed in sight.
        if (b.currentLevel() > 0) m_ui->tileArea->ensureWidgetVisible(pathTileImage(b.currentLevel()), 0, 0);
        m_shownLevel = b.currentLevel();
        if (focusOnTiles) focusFirstTile();
    }
}

void OutlineWindow::focusFirstTile() {
    // The first entry listed; at the chapter level the first chapter; with no
    // entry listed, the deepest path tile.
    app::ImageButton* first = nullptr;
    for (int e = 1; e <= kEntryTiles && !first; ++e)
        if (m_browser->entryTile(e).visible) first = entryTileImage(e);
    for (int k = 1; k <= kChapterTiles && !first; ++k)
        if (m_browser->chapterTile(k).visible) first = chapterTileImage(k);
    for (int t = kPathTiles; t >= 1 && !first; --t)
        if (m_browser->pathTile(t).visible) first = pathTileImage(t);
    if (!first) return;
    first->setFocus(Qt::TabFocusReason);
    m_ui->tileArea->ensureWidgetVisible(first);
}

template <typename F> void OutlineWindow::runTransition(F&& transition) {
    guarded(transition);
    showState();
}

void OutlineWindow::handOffPinned(int slot) {
    // No finest-code check: only finest codes are ever pinned.
    app::HandOffCodeOrTell(m_ctx, m_browser->handOffCodeOf(slot));
}

void OutlineWindow::chooseUnderCurrentCode() {
    const std::string code = m_browser->currentCode();
    codes::HeaderCodes found;
    const bool read = guarded([&] {
        // A block of the outline ("A00-A09") is no code of the table.
        if (!code.empty() && code.find('-') == std::string::npos)
            found = codes::BillableDescendants(m_listingQuery, code);
    });
    if (!read) return;
    if (!found.offersChoice()) {
        showMessage(kNoHeaderMessage);
        return;
    }
    app::OpenBillableChooser(this, found, [this, rows = found.billable](const std::string& chosen) {
        for (const codes::CodeRow& row : rows)
            if (row.code == chosen) pinChosen(row);
    })->followInGuide(m_ctx);
}

void OutlineWindow::pinChosen(const codes::CodeRow& row) {
    // The picture of its entry tile when it is listed (highlight and all), or
    // the one that tile would have: the asterisk bar with code and decorated name.
    TilePicture picture{Template::AsteriskBar,
                        LabelKind::Entry,
                        0,
                        row.code,
                        codes::DecorateName(row.chineseName, row.flag2023, row.new2023),
                        row.flag,
                        std::nullopt,
                        row.englishName};
    for (int e = 1; e <= kEntryTiles; ++e)
        if (m_browser->entryTile(e).visible && m_browser->entryTile(e).code == row.code)
            picture = m_browser->entryTile(e).picture;
    // With all five slots in use nothing is pinned, but the code is still
    // handed off: that is what the user chose it for.
    m_browser->pinCode(row.code, picture);
    showState();
    if (handOffOffered()) app::HandOffCodeOrTell(m_ctx, row.code);
}

void OutlineWindow::pictureReleased(app::ImageButton* sender) {
    int handOff = 0;
    for (int s = 1; s <= kPinSlots; ++s)
        if (sender == handOffImage(s)) handOff = s;
    int pin = 0;
    for (int s = 1; s <= kPinSlots; ++s)
        if (sender == pinSlotImage(s)) pin = s;

    if (handOff > 0) {
        handOffPinned(handOff);
    } else if (sender == m_ui->closeButton) {
        close();
    } else if (sender == m_ui->homeButton) {
        runTransition([&] { m_browser->goHome(); });
    } else if (sender == m_ui->backButton) {
        runTransition([&] { m_browser->goBack(); });
    } else {
        const int tag = sender->tag();
        if (tag >= 1 && tag <= kChapterTiles && sender == chapterTileImage(tag))
            runTransition([&] { m_browser->openChapter(tag); });
        else if (tag >= 1 && tag <= kPathTiles && sender == pathTileImage(tag))
            runTransition([&] { m_browser->openPathTile(tag); });
        else if (tag >= 1 && tag <= kEntryTiles && sender == entryTileImage(tag))
            runTransition([&] { m_browser->openEntry(tag); });
    }
    if (pin > 0) runTransition([&] { m_browser->emptyPinSlot(pin); });
}

void OutlineWindow::scrollByWheel(int delta) {
    QScrollBar* bar = m_ui->tileArea->verticalScrollBar();
    bar->triggerAction(delta < 0 ? QAbstractSlider::SliderSingleStepAdd
                                 : QAbstractSlider::SliderSingleStepSub);
}

bool OutlineWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->tileArea->viewport() && event->type() == QEvent::Wheel) {
        scrollByWheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    }
    return app::WorkingWindow::eventFilter(watched, event);
}

} // namespace outline

#include "outline/tform2.h"

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
#include "app/widgets/pictures.h"
#include "outline/outlinetexts.h"
#include "ui_tform2.h"

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
        return QStringLiteral("Times");
    case Face::Ming:
        return QStringLiteral("細明體");
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

TForm2::TForm2(app::AppContext& context, QWidget* parent)
    : app::WorkingWindow(context, app::OutlineWindowNo, parent), ui(std::make_unique<Ui::TForm2>()),
      ADOQuery1(context.ADOConnection1) {
    ui->setupUi(this);
    setFixedClientSize(711, 523);
    FormCreate();
}

TForm2::~TForm2() = default;

app::ImageButton* TForm2::homeImage() const {
    return ui->Image1;
}
app::ImageButton* TForm2::backImage() const {
    return ui->Image2;
}
app::ImageButton* TForm2::closeImage() const {
    return ui->Image13;
}
QScrollArea* TForm2::scrollBox() const {
    return ui->ScrollBox1;
}

void TForm2::FormCreate() {
    // The consultation program is looked for once: its arrows stay hidden for the
    // life of this window when it is not running now.
    m_handOffShown = app::ConsultationWindowExists(m_ctx.desktop);

    const bool icd11 = m_ctx.icd11Mode;
    setWindowTitle(icd11 ? QStringLiteral("ICD-11中醫章節層次瀏覽") : QStringLiteral("ICD-10章節層次瀏覽"));
    m_browser = std::make_unique<OutlineBrowser>(OutlineTextLines(icd11), icd11, ADOQuery1);

    m_image3 =
        app::RenderPicture(QStringLiteral(":/assets/outline/bar_asterisk.svg"), QSize(kBarWidth, kBarHeight));
    m_image4 = app::RenderPicture(QStringLiteral(":/assets/outline/chapter_button.svg"),
                                  QSize(kChapterTileWidth, kChapterTileHeight));
    m_image5 =
        app::RenderPicture(QStringLiteral(":/assets/outline/bar_green.svg"), QSize(kBarWidth, kBarHeight));
    m_image6 = app::RenderPicture(QStringLiteral(":/assets/outline/bar_paleyellow.svg"),
                                  QSize(kBarWidth, kBarHeight));
    m_image7 =
        app::RenderPicture(QStringLiteral(":/assets/outline/bar_blue.svg"), QSize(kBarWidth, kBarHeight));

    app::LoadPicture(ui->Image1, QStringLiteral(":/assets/outline/home.svg"));
    app::LoadPicture(ui->Image2, QStringLiteral(":/assets/outline/back.svg"));
    app::LoadPicture(ui->Image13, QStringLiteral(":/assets/outline/close.svg"));
    ui->Image1->setToolTip(QStringLiteral("回到章節"));
    ui->Image2->setToolTip(QStringLiteral("回上一層"));
    ui->Image13->setToolTip(QStringLiteral("關閉"));

    m_pinImages = {ui->Image8, ui->Image9, ui->Image10, ui->Image11, ui->Image12};
    m_handOffImages = {ui->Image14, ui->Image15, ui->Image16, ui->Image17, ui->Image18};
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
                if (m_browser->pinSlot(s).tag == 1 && (pointed || chosen == 0)) chosen = s;
                if (pointed) break;
            }
            return chosen ? app::CodeOfText(m_browser->pinSlot(chosen).code) : app::CopiedCode{};
        },
        false);
    const QPixmap arrow = app::RenderPicture(QStringLiteral(":/assets/outline/handoff.svg"), QSize(30, 30));
    for (auto* pin : m_pinImages)
        pin->setPicture(m_image6);
    for (auto* a : m_handOffImages) {
        a->setPicture(arrow);
        a->setToolTip(QStringLiteral("傳送至醫師問診作業"));
        a->setVisible(m_handOffShown);
    }
    ui->PinCaption->setText(
        m_handOffShown
            ? QStringLiteral(
                  "點選最細碼 (*) 即釘選於上方，點選釘選列可移除；\n紅色箭頭把該碼傳送至醫師問診作業；\n"
                  "F2：選擇目前類目之下的最細碼")
            : QStringLiteral(
                  "點選最細碼 (*) 即釘選於上方，點選釘選列可移除；\nF2：選擇目前類目之下的最細碼"));
    ui->PinCaption->resize(ui->PinCaption->width(), 3 * ui->PinCaption->fontMetrics().lineSpacing() + 2);
    auto* chooserKey = new QShortcut(QKeySequence(app::ChooserKey), this);
    connect(chooserKey, &QShortcut::activated, this, &TForm2::ChooseUnderCurrentCode);

    ui->ImageMark->setPixmap(
        app::RenderPicture(QStringLiteral(":/assets/outline/outline_mark.svg"), QSize(280, 220)));
    ui->ModeCaption->setText(icd11 ? QStringLiteral("ICD-11 傳統醫學章節")
                                   : QStringLiteral("ICD-10-CM 2023 章節"));
    ui->ModeCaption->setFont(app::PixelFont(QStringLiteral("細明體"), 20, true));
    ui->ModeCaption->setStyleSheet(QStringLiteral("color: #a3b3c9;"));

    // Look of the panels: the button column, the frame of the tile area.
    ui->Panel2->setStyleSheet(QStringLiteral(
        "#Panel2 { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #2b4c80, stop:1 #40689f);"
        " border: none; }"));
    ui->Panel1->setStyleSheet(QStringLiteral("#Panel1 { background: #7f99bf; border: none; }"));
    ui->ScrollBox1Content->setStyleSheet(QStringLiteral("#ScrollBox1Content { background: #f5f8fc; }"));
    ui->ScrollBox1->viewport()->setStyleSheet(QStringLiteral("background: #f5f8fc;"));
    setStyleSheet(QStringLiteral("outline--TForm2 { background: #e8edf4; }"));
    ui->PinCaption->setStyleSheet(QStringLiteral("color: #5a6b82;"));

    ui->ScrollBox1->verticalScrollBar()->setSingleStep(kRowHeight);
    ui->ScrollBox1->viewport()->installEventFilter(this);

    const QList<app::ImageButton*> buttons = {ui->Image1, ui->Image2, ui->Image13};
    for (auto* b : buttons)
        connect(b, &app::ImageButton::released, this, &TForm2::Image1MouseUp);
    for (auto* b : m_pinImages)
        connect(b, &app::ImageButton::released, this, &TForm2::Image1MouseUp);
    for (auto* b : m_handOffImages)
        connect(b, &app::ImageButton::released, this, &TForm2::Image1MouseUp);

    CreateTiles();
    // The tile area holds the focus at first (the arrow keys scroll it); Tab
    // goes from there through the tiles in the order they are listed, then the
    // pinned slots with their arrows, then home, back and close. Hidden
    // pictures are passed over.
    QList<QWidget*> chain{ui->ScrollBox1};
    for (auto* t : m_chapterImages)
        chain.append(t);
    for (auto* t : m_pathImages)
        chain.append(t);
    for (auto* t : m_entryImages)
        chain.append(t);
    for (int s = 0; s < kPinSlots; ++s)
        chain << m_pinImages[static_cast<std::size_t>(s)] << m_handOffImages[static_cast<std::size_t>(s)];
    chain << ui->Image1 << ui->Image2 << ui->Image13;
    for (int i = 1; i < chain.size(); ++i) {
        chain[i]->setFocusPolicy(Qt::TabFocus);
        setTabOrder(chain[i - 1], chain[i]);
    }
    ui->ScrollBox1->setFocus();
    ShowState();
}

app::ImageButton* TForm2::NewTile(int tag, QSize size) {
    auto* tile = new app::ImageButton(ui->ScrollBox1Content);
    tile->setTag(tag);
    tile->resize(size);
    tile->hide();
    // Reached with Tab, pressed with Space or Enter; a click never takes the focus.
    tile->setFocusPolicy(Qt::TabFocus);
    connect(tile, &app::ImageButton::released, this, &TForm2::Image1MouseUp);
    return tile;
}

void TForm2::CreateTiles() {
    const QSize chapterSize(kChapterTileWidth, kChapterTileHeight);
    const QSize barSize(kBarWidth, kBarHeight);
    for (int k = 1; k <= kChapterTiles; ++k) {
        app::ImageButton* tile = NewTile(k, chapterSize);
        tile->move(ChapterTileLeft(k), ChapterTileTop(k));
        // Each chapter tile's text is drawn once, here.
        tile->setPicture(DrawTile(m_browser->chapterTile(k).picture, false));
        m_chapterImages[static_cast<std::size_t>(k - 1)] = tile;
    }
    for (int t = 1; t <= kPathTiles; ++t) {
        app::ImageButton* tile = NewTile(t, barSize);
        tile->move(kTileLeft, PathTileTop(t));
        tile->setPicture(m_image5);
        m_pathImages[static_cast<std::size_t>(t - 1)] = tile;
        m_pathDrawn[static_cast<std::size_t>(t - 1)] = m_browser->pathTile(t).picture;
    }
    for (int e = 1; e <= kEntryTiles; ++e) {
        app::ImageButton* tile = NewTile(e, barSize);
        tile->move(kTileLeft, m_browser->entryTile(e).top);
        tile->setPicture(m_image5);
        m_entryImages[static_cast<std::size_t>(e - 1)] = tile;
        m_entryDrawn[static_cast<std::size_t>(e - 1)] = m_browser->entryTile(e).picture;
    }
    for (int s = 1; s <= kPinSlots; ++s)
        m_pinDrawn[static_cast<std::size_t>(s - 1)] = m_browser->pinSlot(s).picture;
}

const QPixmap& TForm2::TemplatePicture(Template t) const {
    switch (t) {
    case Template::ChapterButton:
        return m_image4;
    case Template::BlueBar:
        return m_image7;
    case Template::GreenBar:
        return m_image5;
    case Template::AsteriskBar:
        return m_image3;
    case Template::PaleYellowBar:
        break;
    }
    return m_image6;
}

QPixmap TForm2::DrawTile(const TilePicture& picture, bool reportEmptyCode) {
    QPixmap pm = TemplatePicture(picture.base).copy(); // the tile's own copy
    const QtMeasure measure(font().family());
    switch (picture.kind) {
    case LabelKind::Chapter:
        PaintRuns(pm, LayoutChapterTile(measure, picture.number, picture.code, picture.name));
        break;
    case LabelKind::FirstPath:
        PaintRuns(pm, LayoutFirstPathTile(measure, picture.number, picture.code, picture.name, pm.height()));
        break;
    case LabelKind::Entry:
        DrawEntryLabel(pm, picture, reportEmptyCode);
        break;
    case LabelKind::None:
        break;
    }
    return pm;
}

void TForm2::DrawEntryLabel(QPixmap& pm, const TilePicture& picture, bool reportEmptyCode) {
    const QtMeasure measure(font().family());
    const EntryLabel label = LayoutEntryLabel(measure, pm.width(), pm.height(), picture.code, picture.name,
                                              picture.flag, picture.highlight);
    if (label.emptyCode && reportEmptyCode) showMessage(kNoIdMessage);
    PaintRuns(pm, label.runs);
}

void TForm2::PaintRuns(QPixmap& pm, const std::vector<TextRun>& runs) const {
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

void TForm2::ShowTile(app::ImageButton* image, const TilePicture& picture, TilePicture& drawn,
                      bool entryLabel) {
    if (picture == drawn) return;
    image->setPicture(DrawTile(picture, entryLabel));
    drawn = picture;
}

void TForm2::ShowState() {
    const OutlineBrowser& b = *m_browser;
    // A tile pressed from the keyboard may be hidden by what follows; the focus
    // then goes to the first tile of the new level instead of leaving the list.
    QWidget* focused = QApplication::focusWidget();
    const bool focusOnTiles = focused && ui->ScrollBox1Content->isAncestorOf(focused);
    int bottom = 0;
    for (int k = 1; k <= kChapterTiles; ++k) {
        app::ImageButton* image = chapterTileImage(k);
        image->setVisible(b.chapterTile(k).visible);
        if (b.chapterTile(k).visible) bottom = std::max(bottom, ChapterTileTop(k) + kChapterTileHeight);
    }
    for (int t = 1; t <= kPathTiles; ++t) {
        const PathTile& p = b.pathTile(t);
        app::ImageButton* image = pathTileImage(t);
        if (p.visible) ShowTile(image, p.picture, m_pathDrawn[static_cast<std::size_t>(t - 1)], true);
        image->setVisible(p.visible);
        if (p.visible) bottom = std::max(bottom, PathTileTop(t) + kBarHeight);
    }
    for (int e = 1; e <= kEntryTiles; ++e) {
        const EntryTile& entry = b.entryTile(e);
        app::ImageButton* image = entryTileImage(e);
        if (entry.visible) {
            ShowTile(image, entry.picture, m_entryDrawn[static_cast<std::size_t>(e - 1)], true);
            image->move(kTileLeft, entry.top);
            bottom = std::max(bottom, entry.top + kBarHeight);
        }
        image->setVisible(entry.visible);
    }
    for (int s = 1; s <= kPinSlots; ++s) {
        ShowTile(pinSlotImage(s), b.pinSlot(s).picture, m_pinDrawn[static_cast<std::size_t>(s - 1)], false);
        pinSlotImage(s)->setTag(b.pinSlot(s).tag); // 1 while the slot holds a code
    }

    // The scroll range covers the visible tiles.
    ui->ScrollBox1Content->resize(2 * kChapterTileWidth + 3 * 4, bottom + 4);
    if (b.CurrentLevel() != m_shownLevel) {
        // A new level: keep the row whose children are listed in sight.
        if (b.CurrentLevel() > 0) ui->ScrollBox1->ensureWidgetVisible(pathTileImage(b.CurrentLevel()), 0, 0);
        m_shownLevel = b.CurrentLevel();
        if (focusOnTiles) FocusFirstTile();
    }
}

void TForm2::FocusFirstTile() {
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
    ui->ScrollBox1->ensureWidgetVisible(first);
}

template <typename F> void TForm2::Run(F&& transition) {
    guarded(transition);
    ShowState();
}

void TForm2::HandOff(int slot) {
    // No finest-code check: only finest codes are ever pinned.
    app::HandOffCode(m_ctx.desktop, m_browser->HandOffCodeOf(slot));
}

void TForm2::ChooseUnderCurrentCode() {
    const std::string code = m_browser->CurrentCode();
    codes::HeaderCodes found;
    const bool read = guarded([&] {
        // A block of the outline ("A00-A09") is no code of the table.
        if (!code.empty() && code.find('-') == std::string::npos)
            found = codes::BillableDescendants(ADOQuery1, code);
    });
    if (!read) return;
    if (!found.offersChoice()) {
        showMessage(kNoHeaderMessage);
        return;
    }
    app::OpenBillableChooser(this, found, [this, rows = found.billable](const std::string& chosen) {
        for (const codes::CodeRow& row : rows)
            if (row.code == chosen) PinChosen(row);
    });
}

void TForm2::PinChosen(const codes::CodeRow& row) {
    // The picture of its entry tile when it is listed (highlight and all), or
    // the one that tile would have: the asterisk bar with code and decorated name.
    TilePicture picture{Template::AsteriskBar,
                        LabelKind::Entry,
                        0,
                        row.code,
                        codes::DecorateName(row.chineseName, row.flag2023, row.new2023),
                        row.flag,
                        std::nullopt};
    for (int e = 1; e <= kEntryTiles; ++e)
        if (m_browser->entryTile(e).visible && m_browser->entryTile(e).Code == row.code)
            picture = m_browser->entryTile(e).picture;
    // With all five slots in use nothing is pinned, but the code is still
    // handed off: that is what the user chose it for.
    m_browser->PinCode(row.code, picture);
    ShowState();
    if (m_handOffShown) app::HandOffCode(m_ctx.desktop, row.code);
}

void TForm2::Image1MouseUp(app::ImageButton* sender) {
    int handOff = 0;
    for (int s = 1; s <= kPinSlots; ++s)
        if (sender == handOffImage(s)) handOff = s;
    int pin = 0;
    for (int s = 1; s <= kPinSlots; ++s)
        if (sender == pinSlotImage(s)) pin = s;

    if (handOff > 0) {
        HandOff(handOff);
    } else if (sender == ui->Image13) {
        close();
    } else if (sender == ui->Image1) {
        Run([&] { m_browser->Image1Click(); });
    } else if (sender == ui->Image2) {
        Run([&] { m_browser->Image2Click(); });
    } else {
        const int tag = sender->tag();
        if (tag >= 1 && tag <= kChapterTiles && sender == chapterTileImage(tag))
            Run([&] { m_browser->Image4Click(tag); });
        else if (tag >= 1 && tag <= kPathTiles && sender == pathTileImage(tag))
            Run([&] { m_browser->Image5Click(tag); });
        else if (tag >= 1 && tag <= kEntryTiles && sender == entryTileImage(tag))
            Run([&] { m_browser->Image6Click(tag); });
    }
    if (pin > 0) Run([&] { m_browser->EmptyPinSlot(pin); });
}

void TForm2::ScrollBox1MouseWheel(int delta) {
    QScrollBar* bar = ui->ScrollBox1->verticalScrollBar();
    bar->triggerAction(delta < 0 ? QAbstractSlider::SliderSingleStepAdd
                                 : QAbstractSlider::SliderSingleStepSub);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->ScrollBox1->viewport() && event->type() == QEvent::Wheel) {
        ScrollBox1MouseWheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    }
    return app::WorkingWindow::eventFilter(watched, event);
}

} // namespace outline

#include "outline/outlinewindow.h"

#include <cstdlib>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "app/core/desktop.h"
#include "app/core/messages.h"
#include "app/widgets/billablechooser.h"
#include "app/core/handoff.h"
#include "app/widgets/imagebutton.h"
#include "testsupport/codedb.h"
#include "testsupport/controls.h"
#include "testsupport/fakes.h"

using namespace outline;
using V = std::vector<std::string>;

namespace {

class OutlineWindowTest : public ::testing::Test {
protected:
    void SetUp() override { db = std::make_unique<testsupport::CodeDb>(ctx.connection); }
    void add(const std::string& no, const std::string& name, const std::string& flag = "Y",
             const std::string& flag2023 = "", const std::string& isNew = "") {
        db->add(no, name, flag, flag2023, isNew);
    }
    std::unique_ptr<OutlineWindow> open(bool icd11 = false) {
        auto w = std::make_unique<OutlineWindow>(ctx, icd11);
        w->show();
        return w;
    }
    static void click(app::ImageButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    static V visibleEntryCodes(const OutlineWindow& w) {
        V out;
        for (int e = 1; e <= kEntryTiles; ++e)
            if (w.entryTileImage(e)->isVisible()) out.push_back(w.browser().entryTile(e).code);
        return out;
    }
    static int entryIndex(const OutlineWindow& w, const std::string& code) {
        for (int e = 1; e <= kEntryTiles; ++e)
            if (w.entryTileImage(e)->isVisible() && w.browser().entryTile(e).code == code) return e;
        ADD_FAILURE() << "no visible entry " << code;
        return 1;
    }
    // Pixels close to a colour (text is antialiased, so few are exact).
    static int countPixels(const QPixmap& pm, QColor colour) {
        const QImage img = pm.toImage().convertToFormat(QImage::Format_RGB32);
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                n += std::abs(c.red() - colour.red()) < 60 && std::abs(c.green() - colour.green()) < 60 &&
                             std::abs(c.blue() - colour.blue()) < 60
                         ? 1
                         : 0;
            }
        return n;
    }
    static bool samePicture(const QPixmap& a, const QPixmap& b) { return a.toImage() == b.toImage(); }
    // Saves a picture of the window when ICD_SCREENSHOT_DIR names a folder.
    static void snap(QWidget& w, const char* name) {
        const QByteArray dir = qgetenv("ICD_SCREENSHOT_DIR");
        if (dir.isEmpty()) return;
        QApplication::processEvents();
        w.grab().save(
            QDir(QString::fromUtf8(dir)).filePath(QString::fromUtf8(name) + QStringLiteral(".png")));
    }

    std::unique_ptr<testsupport::CodeDb> db; // outlives the context's connection
    testsupport::RecordingMessages messages;
    testsupport::FakeDesktop desktop;
    app::AppContext ctx{messages, desktop};
};

} // namespace

TEST_F(OutlineWindowTest, opensAtTheChapterGridWithSeventyTwoTiles) {
    auto w = open();
    snap(*w, "outline_icd10_chapters");
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ICD-10章節層次瀏覽"));
    EXPECT_EQ(w->size(), QSize(711, 523));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    const auto tiles = w->scrollBox()->widget()->findChildren<app::ImageButton*>();
    EXPECT_EQ(tiles.size(), 72);
    for (int k = 1; k <= kChapterTiles; ++k) {
        app::ImageButton* t = w->chapterTileImage(k);
        EXPECT_TRUE(t->isVisible());
        EXPECT_EQ(t->tag(), k);
        EXPECT_EQ(t->geometry(), QRect(k % 2 ? 4 : 148, ((k - 1) / 2) * 47, 140, 43));
    }
    EXPECT_FALSE(w->pathTileImage(1)->isVisible());
    EXPECT_FALSE(w->entryTileImage(1)->isVisible());
    // No consultation window at creation: the arrows stay hidden.
    for (int s = 1; s <= kPinSlots; ++s)
        EXPECT_FALSE(w->handOffImage(s)->isVisible());
    EXPECT_GT(countPixels(w->chapterTileImage(1)->picture(), QColor(0, 0, 255)), 20)
        << "blue number and range drawn";
    EXPECT_EQ(testsupport::NamesOutOfCase(w.get()), V{});
}

TEST_F(OutlineWindowTest, chapterTileOneOpensPathTileAndBothBlocks) {
    auto w = open();
    app::ImageButton* entry1 = w->entryTileImage(1);
    const QPixmap before = entry1->picture();
    click(w->chapterTileImage(1));
    EXPECT_EQ(w->browser().currentLevel(), 1);
    EXPECT_FALSE(w->chapterTileImage(1)->isVisible());
    EXPECT_TRUE(w->pathTileImage(1)->isVisible());
    EXPECT_EQ(w->pathTileImage(1)->pos(), QPoint(4, 0));
    EXPECT_EQ(visibleEntryCodes(*w), (V{"A00-A99", "B00-B99"}));
    EXPECT_EQ(w->entryTileImage(1), entry1) << "tiles are reused, never created again";
    EXPECT_EQ(entry1->pos(), QPoint(4, 32));
    EXPECT_EQ(w->entryTileImage(2)->pos(), QPoint(4, 64));
    EXPECT_FALSE(samePicture(before, entry1->picture())) << "the label is drawn into the tile";
    EXPECT_GT(countPixels(w->pathTileImage(1)->picture(), QColor(0, 0, 255)), 20);

    click(w->backImage());
    EXPECT_EQ(w->browser().currentLevel(), 0);
    EXPECT_TRUE(w->chapterTileImage(22)->isVisible());
    EXPECT_FALSE(w->pathTileImage(1)->isVisible());
}

TEST_F(OutlineWindowTest, listingFromTheTableWithHighlightsAndPins) {
    add("A00", "霍亂", "N");
    add("A000", "霍亂弧菌01型霍亂生物型所致霍亂", "Y");
    add("A001", "霍亂弧菌01型El Tor生物型所致霍亂", "Y", "", "Y");
    add("A009", "霍亂，未明示", "Y");
    add("A01", "傷寒及副傷寒", "N");
    add("A09", "感染性胃腸炎及大腸炎，未明示", "Y");
    auto w = open();
    click(w->chapterTileImage(1));
    click(w->entryTileImage(1)); // A00-A99
    click(w->entryTileImage(1)); // A00-A09: the table's categories
    EXPECT_EQ(visibleEntryCodes(*w), (V{"A00", "A01", "A09"}));
    EXPECT_EQ(w->entryTileImage(1)->pos(), QPoint(4, 96));
    snap(*w, "outline_block_listing");
    click(w->entryTileImage(1)); // A00
    ASSERT_EQ(visibleEntryCodes(*w), (V{"A000", "A001", "A009"}));
    EXPECT_EQ(w->browser().entryTile(2).name, "霍亂弧菌01型El Tor生物型所致霍亂(2023新增)");
    // Siblings share 霍亂: the distinct parts are drawn in magenta.
    EXPECT_GT(countPixels(w->entryTileImage(1)->picture(), QColor(255, 0, 255)), 10);

    click(w->entryTileImage(2));
    click(w->entryTileImage(1));
    click(w->entryTileImage(1)); // pinned already
    EXPECT_EQ(w->browser().pinSlot(1).code, "A001");
    EXPECT_EQ(w->browser().pinSlot(2).code, "A000");
    EXPECT_FALSE(w->browser().pinSlot(3).pinned);
    EXPECT_TRUE(samePicture(w->pinSlotImage(1)->picture(), w->entryTileImage(2)->picture()));
    EXPECT_EQ(w->browser().currentLevel(), 4);
    snap(*w, "outline_pins");

    click(w->pinSlotImage(1)); // emptied; A000 moves up
    EXPECT_EQ(w->browser().pinSlot(1).code, "A000");
    EXPECT_FALSE(w->browser().pinSlot(2).pinned);
    EXPECT_TRUE(samePicture(w->pinSlotImage(1)->picture(), w->entryTileImage(1)->picture()));
    EXPECT_FALSE(samePicture(w->pinSlotImage(2)->picture(), w->entryTileImage(1)->picture()));

    click(w->homeImage());
    EXPECT_EQ(w->browser().currentLevel(), 0);
    EXPECT_EQ(w->browser().pinSlot(1).code, "A000") << "Home leaves the pins";
}

// The whole walk from the keyboard: Tab reaches the tiles in their order, Enter
// or Space presses the focused one, and after a new level the focus is on the
// first tile listed, never lost on a hidden one.
TEST_F(OutlineWindowTest, keyboardAlone_walksDownToACodeAndPinsIt) {
    add("A00", "霍亂", "N");
    add("A000", "霍亂弧菌01型霍亂生物型所致霍亂", "Y");
    add("A001", "霍亂弧菌01型El Tor生物型所致霍亂", "Y");
    auto w = open();
    QApplication::setActiveWindow(w.get());
    auto focusedTile = [] { return qobject_cast<app::ImageButton*>(QApplication::focusWidget()); };
    QTest::keyClick(w.get(), Qt::Key_Tab);
    ASSERT_EQ(focusedTile(), w->chapterTileImage(1));
    QTest::keyClick(focusedTile(), Qt::Key_Tab);
    EXPECT_EQ(focusedTile(), w->chapterTileImage(2));
    QTest::keyClick(focusedTile(), Qt::Key_Backtab);
    QTest::keyClick(focusedTile(), Qt::Key_Return);
    EXPECT_EQ(w->browser().currentLevel(), 1);
    EXPECT_EQ(focusedTile(), w->entryTileImage(1)) << "A00-A99, not the hidden chapter tile";
    QTest::keyClick(focusedTile(), Qt::Key_Space);
    QTest::keyClick(focusedTile(), Qt::Key_Return); // A00-A09
    QTest::keyClick(focusedTile(), Qt::Key_Return); // A00
    ASSERT_EQ(visibleEntryCodes(*w), (V{"A000", "A001"}));
    ASSERT_EQ(focusedTile(), w->entryTileImage(1));
    QTest::keyClick(focusedTile(), Qt::Key_Tab);
    QTest::keyClick(focusedTile(), Qt::Key_Return);
    EXPECT_EQ(w->browser().pinSlot(1).code, "A001");
    EXPECT_EQ(focusedTile(), w->entryTileImage(2)) << "pinning keeps the focus where it was";
    snap(*w, "outline_keyboard");

    // Home from the keyboard keeps the focus on home; Tab goes round from
    // there to the first chapter.
    QTest::keyClick(focusedTile(), Qt::Key_Return); // pinned already: nothing changes
    w->homeImage()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(focusedTile(), Qt::Key_Return);
    EXPECT_EQ(w->browser().currentLevel(), 0);
    EXPECT_EQ(focusedTile(), w->homeImage()) << "home keeps its own focus";
    for (int i = 0; i < 100 && focusedTile() != w->chapterTileImage(1); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(focusedTile(), w->chapterTileImage(1)) << "the chain goes round through the visible tiles";
}

TEST_F(OutlineWindowTest, deadEndShowsTheAsteriskBar) {
    auto w = open();
    const QPixmap green = w->pathTileImage(3)->picture();
    click(w->chapterTileImage(1));
    click(w->entryTileImage(1));
    click(w->entryTileImage(entryIndex(*w, "A15-A19")));
    EXPECT_EQ(w->browser().currentLevel(), 3);
    EXPECT_TRUE(visibleEntryCodes(*w).empty());
    EXPECT_EQ(w->browser().pathTile(3).picture.base, Template::AsteriskBar);
    EXPECT_GT(countPixels(w->pathTileImage(3)->picture(), QColor(224, 16, 16)), 0) << "red asterisk drawn";
    EXPECT_FALSE(samePicture(green, w->pathTileImage(3)->picture()));
}

TEST_F(OutlineWindowTest, handOffSendsThePinnedCodeOrThePrefixAlone) {
    desktop.windows.push_back({7, app::ConsultationWindowTitle, true});
    add("B20", "HIV疾病", "Y");
    auto w = open();
    for (int s = 1; s <= kPinSlots; ++s)
        EXPECT_TRUE(w->handOffImage(s)->isVisible());
    click(w->chapterTileImage(1));
    click(w->entryTileImage(2));                         // B00-B99
    click(w->entryTileImage(entryIndex(*w, "B20-B24"))); // B20
    click(w->entryTileImage(1));                         // pin B20
    click(w->handOffImage(1));
    EXPECT_EQ(desktop.clipboard, std::optional<std::string>("|ICD10|B20"));
    EXPECT_EQ(desktop.actions, (V{"front:7", "restore:7"}));
    click(w->handOffImage(5)); // an empty slot: the prefix alone
    EXPECT_EQ(desktop.clipboard, std::optional<std::string>("|ICD10|"));
    EXPECT_EQ(w->browser().pinSlot(1).code, "B20") << "an arrow does not empty its slot";

    // The program has gone while the window is open: the arrow says so and
    // leaves the clipboard alone; the next showing hides the arrows.
    desktop.windows.clear();
    desktop.clipboard = "copied";
    click(w->handOffImage(1));
    EXPECT_EQ(desktop.clipboard, std::optional<std::string>("copied"));
    EXPECT_EQ(messages.shown, std::vector<std::string>{app::ConsultationMissingMessage});
    w->close();
    w->showWindow();
    for (int s = 1; s <= kPinSlots; ++s)
        EXPECT_TRUE(w->handOffImage(s)->isHidden());
    // Started again: the next activation shows them.
    desktop.windows.push_back({8, app::ConsultationWindowTitle, true});
    w->checkHandOff();
    EXPECT_TRUE(w->handOffImage(1)->isVisible());
}

TEST_F(OutlineWindowTest, tileTooltipsGiveTheCodeAndItsNames) {
    add("B20", "HIV疾病", "Y");
    auto w = open();
    EXPECT_EQ(w->chapterTileImage(1)->toolTip(), QStringLiteral("A00-B99\n傳染病、寄生蟲"));
    click(w->chapterTileImage(1));
    EXPECT_EQ(w->entryTileImage(2)->toolTip().left(8), QStringLiteral("B00-B99\n"));
    click(w->entryTileImage(2));                         // B00-B99
    click(w->entryTileImage(entryIndex(*w, "B20-B24"))); // B20
    EXPECT_EQ(w->entryTileImage(1)->toolTip(), QStringLiteral("B20\nHIV疾病\nenglish B20"));
    click(w->entryTileImage(1)); // pinned: the slot tells the same
    EXPECT_EQ(w->pinSlotImage(1)->toolTip(), QStringLiteral("B20\nHIV疾病\nenglish B20"));
    click(w->pinSlotImage(1)); // emptied: nothing to tell
    EXPECT_TRUE(w->pinSlotImage(1)->toolTip().isEmpty());
}

TEST_F(OutlineWindowTest, icd11ModeShowsOnlyItsTwoChapters) {
    auto w = open(true);
    snap(*w, "outline_icd11_chapters");
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ICD-11中醫章節層次瀏覽"));
    EXPECT_TRUE(w->chapterTileImage(1)->isVisible());
    EXPECT_TRUE(w->chapterTileImage(2)->isVisible());
    for (int k = 3; k <= kChapterTiles; ++k)
        EXPECT_FALSE(w->chapterTileImage(k)->isVisible());
    click(w->chapterTileImage(1));
    click(w->entryTileImage(1)); // SA0-SB2: all end in 病類
    EXPECT_EQ(visibleEntryCodes(*w).size(), 6u);
    for (int e = 1; e <= 6; ++e)
        EXPECT_GT(countPixels(w->entryTileImage(e)->picture(), QColor(255, 0, 255)), 5);
    snap(*w, "outline_icd11_highlights");
    click(w->homeImage());
    EXPECT_TRUE(w->chapterTileImage(2)->isVisible());
    EXPECT_FALSE(w->chapterTileImage(3)->isVisible());
}

TEST_F(OutlineWindowTest, wheelScrollsOneLinePerStep) {
    for (int i = 50; i < 70; ++i)
        add("R" + std::to_string(i), "症狀" + std::to_string(i), "N");
    auto w = open();
    click(w->chapterTileImage(18));                      // R00-R99
    click(w->entryTileImage(entryIndex(*w, "R50-R69"))); // 20 categories below path tile 2
    ASSERT_GT(visibleEntryCodes(*w).size(), 15u);
    QScrollBar* bar = w->scrollBox()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(0);
    auto wheel = [&](int delta) {
        QWidget* vp = w->scrollBox()->viewport();
        QWheelEvent e(QPointF(50, 50), vp->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp, &e);
    };
    wheel(-120);
    EXPECT_EQ(bar->value(), bar->singleStep());
    wheel(-480); // however large, one line
    EXPECT_EQ(bar->value(), 2 * bar->singleStep());
    wheel(0); // zero counts as up
    EXPECT_EQ(bar->value(), bar->singleStep());
}

TEST_F(OutlineWindowTest, engineErrorIsShownAndTheWindowKeepsWorking) {
    auto w = open();
    click(w->chapterTileImage(1));
    click(w->entryTileImage(1));
    ctx.connection.exec("DROP TABLE ICD10");
    click(w->entryTileImage(1)); // A00-A09 needs the table
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find("ICD10"), std::string::npos) << messages.shown[0];
    EXPECT_TRUE(visibleEntryCodes(*w).empty());
    click(w->homeImage());
    EXPECT_TRUE(w->chapterTileImage(1)->isVisible());
}

TEST_F(OutlineWindowTest, closeHidesTheWindowAndClearsTheWindowNumber) {
    auto w = open();
    ctx.activeWindowNo = app::OutlineWindowNo;
    click(w->closeImage());
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(ctx.activeWindowNo, app::NoWindow);
}

TEST_F(OutlineWindowTest, chooserKeyOnAHeader_pinsAndHandsOffTheChosenBillableCode) {
    desktop.windows.push_back({7, app::ConsultationWindowTitle, true});
    add("A00", "霍亂", "N");
    add("A000", "霍亂弧菌01型霍亂生物型所致霍亂", "Y");
    add("A001", "霍亂弧菌01型El Tor生物型所致霍亂", "Y", "", "Y");
    add("A009", "霍亂，未明示", "Y");
    auto w = open();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    auto chooser = [&] { return w->findChild<app::BillableChooser*>(); };

    // At the chapter grid and at a block of the outline there is no code to
    // choose under: a message says what to do.
    QTest::keyClick(w.get(), Qt::Key_F2);
    click(w->chapterTileImage(1));
    click(w->entryTileImage(1)); // A00-A99
    QTest::keyClick(w.get(), Qt::Key_F2);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_NE(messages.shown[0].find("F2"), std::string::npos) << messages.shown[0];
    EXPECT_EQ(chooser(), nullptr);

    click(w->entryTileImage(1)); // A00-A09
    click(w->entryTileImage(1)); // A00: its codes are listed
    ASSERT_EQ(w->browser().currentCode(), "A00");
    QTest::keyClick(w.get(), Qt::Key_F2);
    ASSERT_NE(chooser(), nullptr);
    EXPECT_EQ(chooser()->list()->topLevelItemCount(), 3);
    QTest::keyClicks(chooser()->filterBox(), QStringLiteral("tor"));
    QTest::keyClick(chooser()->filterBox(), Qt::Key_Return);
    // Pinned as its tile would be, and handed off as its arrow would.
    EXPECT_EQ(w->browser().pinSlot(1).code, "A001");
    const int tile = entryIndex(*w, "A001");
    EXPECT_TRUE(samePicture(w->pinSlotImage(1)->picture(), w->entryTileImage(tile)->picture()));
    EXPECT_EQ(desktop.clipboard, std::optional<std::string>("|ICD10|A001"));
    EXPECT_EQ(desktop.actions, (V{"front:7", "restore:7"}));
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(OutlineWindowTest, escapeClosesTheWindowAsItsClosePictureDoes) {
    auto w = open();
    ctx.activeWindowNo = app::OutlineWindowNo;
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(ctx.activeWindowNo, app::NoWindow);
}

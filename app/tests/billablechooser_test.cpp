#include "app/widgets/billablechooser.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/widgets/look.h"
#include "testsupport/controls.h"
#include "testsupport/fakes.h"

using app::BillableChooser;
using codes::CodeRow;

namespace {

codes::HeaderCodes RightAndLeftSprains() {
    codes::HeaderCodes h;
    h.header = CodeRow{"S9340", "踝扭傷，未明示韌帶", "Sprain of unspecified ligament of ankle", "N", "", ""};
    const char* sides[][2] = {{"1", "右"}, {"2", "左"}};
    const char* episodes[][3] = {{"A", "初期照護", "initial encounter"},
                                 {"D", "後續照護", "subsequent encounter"},
                                 {"S", "後遺症", "sequela"}};
    for (const auto& side : sides)
        for (const auto& e : episodes)
            h.billable.push_back(
                {std::string("S9340") + side[0] + e[0], std::string(side[1]) + "踝扭傷，未明示韌帶，" + e[1],
                 std::string(side[0][0] == '1' ? "Right" : "Left") + " ankle sprain, " + e[2], "Y", "",
                 side[0][0] == '2' && e[0][0] == 'S' ? "Y" : ""});
    return h;
}

} // namespace

TEST(BillableChooser, listsTheCodesWithDecoratedNamesAndFiltersAsTheUserTypes) {
    BillableChooser chooser(RightAndLeftSprains());
    QSignalSpy chosen(&chooser, &BillableChooser::chosen);
    chooser.show();
    QTreeWidget* list = chooser.list();
    ASSERT_EQ(list->topLevelItemCount(), 6);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("S93401A"));
    EXPECT_EQ(list->topLevelItem(5)->text(1), QStringLiteral("左踝扭傷，未明示韌帶，後遺症(2023新增)"));
    EXPECT_EQ(list->topLevelItem(5)->text(2), QStringLiteral("Left ankle sprain, sequela"));
    EXPECT_EQ(chooser.currentCode(), QStringLiteral("S93401A")); // the first row is ready for Enter

    // Typing in the filter keeps the rows with every word; the current row
    // moves to the first one left.
    QTest::keyClicks(chooser.filterBox(), QStringLiteral("left"));
    EXPECT_EQ(chooser.shownCount(), 3);
    EXPECT_EQ(chooser.currentCode(), QStringLiteral("S93402A"));
    // Down in the filter box moves in the list; the focus stays in the box.
    QTest::keyClick(chooser.filterBox(), Qt::Key_Down);
    EXPECT_EQ(chooser.currentCode(), QStringLiteral("S93402D"));
    QTest::keyClicks(chooser.filterBox(), QStringLiteral(" sub"));
    EXPECT_EQ(chooser.shownCount(), 1);
    EXPECT_EQ(chooser.currentCode(), QStringLiteral("S93402D"));

    // A filter that leaves nothing: Enter chooses nothing and the chooser stays.
    QTest::keyClicks(chooser.filterBox(), QStringLiteral("zzz"));
    EXPECT_EQ(chooser.shownCount(), 0);
    EXPECT_TRUE(chooser.currentCode().isEmpty());
    QTest::keyClick(chooser.filterBox(), Qt::Key_Return);
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_TRUE(chooser.isVisible());

    // Typing while the list has the focus goes on in the filter box.
    chooser.filterBox()->clear();
    list->setFocus();
    QTest::keyClicks(list, QStringLiteral("S93.401"));
    EXPECT_EQ(chooser.filterBox()->text(), QStringLiteral("S93.401"));
    EXPECT_EQ(chooser.shownCount(), 3);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Enter); // the keypad's Enter too
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen[0][0].toString(), QStringLiteral("S93401D"));
    EXPECT_FALSE(chooser.isVisible());
    EXPECT_EQ(chooser.result(), QDialog::Accepted);
}

// As in every window: the box that filters is pink, and the controls are
// named in the forms' case, so that tests find them by name.
TEST(BillableChooser, filterBoxIsPinkAndTheControlsAreNamedInTheFormsCase) {
    BillableChooser chooser(RightAndLeftSprains());
    EXPECT_EQ(chooser.filterBox()->palette().color(QPalette::Base), app::look::kFilterPink);
    EXPECT_EQ(testsupport::Control<QLineEdit>(&chooser, "filterEdit"), chooser.filterBox());
    EXPECT_EQ(testsupport::Control<QTreeWidget>(&chooser, "codeList"), chooser.list());
    EXPECT_EQ(testsupport::NamesOutOfCase(&chooser), std::vector<std::string>{});
}

TEST(BillableChooser, escapeCancelsAndADoubleClickChooses) {
    {
        BillableChooser chooser(RightAndLeftSprains());
        QSignalSpy chosen(&chooser, &BillableChooser::chosen);
        chooser.show();
        QTest::keyClick(chooser.filterBox(), Qt::Key_Escape);
        EXPECT_FALSE(chooser.isVisible());
        EXPECT_EQ(chosen.count(), 0);
    }
    BillableChooser chooser(RightAndLeftSprains());
    QSignalSpy chosen(&chooser, &BillableChooser::chosen);
    chooser.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser));
    QTreeWidget* list = chooser.list();
    const QRect row = list->visualItemRect(list->topLevelItem(4));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(chosen.count(), 0) << "a single click only moves the current row";
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen[0][0].toString(), QStringLiteral("S93402D"));
}

TEST(BillableChooser, followedInTheGuide_reportsTheCurrentRowAsItMovesAndTheFilterChangesIt_F1ShowsIt) {
    testsupport::RecordingGuide guide;
    app::AppContext ctx;
    ctx.guide = &guide;
    BillableChooser chooser(RightAndLeftSprains());
    chooser.followInGuide(ctx);
    EXPECT_EQ(guide.selected, std::vector<std::string>{"S93401A"}) << "the current row at once";
    QTest::keyClick(chooser.filterBox(), Qt::Key_Down);
    EXPECT_EQ(guide.selected.back(), "S93401D");
    chooser.filterBox()->setText(QStringLiteral("左"));
    EXPECT_EQ(guide.selected.back(), "S93402A") << "the filter moved the current row";
    chooser.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&chooser));
    QTest::keyClick(chooser.filterBox(), Qt::Key_F1);
    EXPECT_EQ(guide.notes, std::vector<std::string>{"S93402A"});
}

TEST(BillableChooser, manyCodesFitTheScreenAndScroll_andTheCallbackRunsAfterClosing) {
    codes::HeaderCodes many;
    many.header = CodeRow{"S72", "股骨骨折", "Fracture of femur", "N", "", ""};
    for (int i = 0; i < 1500; ++i)
        many.billable.push_back({"S72" + std::to_string(10000 + i), "股骨骨折" + std::to_string(i),
                                 "Fracture of femur " + std::to_string(i), "Y", "", ""});
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    std::vector<std::string> handedOff;
    bool closedFirst = false;
    BillableChooser* chooser = app::OpenBillableChooser(&owner, many, [&](const std::string& code) {
        handedOff.push_back(code);
        closedFirst = !owner.findChild<BillableChooser*>()->isVisible();
    });
    ASSERT_EQ(owner.findChild<BillableChooser*>(), chooser);
    EXPECT_EQ(chooser->windowModality(), Qt::WindowModal);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(chooser->height(), screen.height());
    EXPECT_LE(chooser->width(), screen.width());
    EXPECT_GT(chooser->list()->verticalScrollBar()->maximum(), 0);
    QTest::keyClick(chooser->filterBox(), Qt::Key_End); // in the box: the end of the text, not of the list
    QTest::keyClick(chooser->filterBox(), Qt::Key_PageDown);
    EXPECT_NE(chooser->currentCode(), QStringLiteral("S7210000"));
    const QString code = chooser->currentCode();
    QTest::keyClick(chooser->filterBox(), Qt::Key_Return);
    EXPECT_EQ(handedOff, std::vector<std::string>{code.toStdString()});
    EXPECT_TRUE(closedFirst);
}

// The way on from a header row of the search grid: the chooser of its billable
// codes after "非最細碼無法使用" and on the chooser key, and Esc.

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/widgets/billablechooser.h"
#include "app/core/handoff.h"
#include "app/widgets/imagebutton.h"
#include "search/resultmodel.h"
#include "testsupport/codedb.h"
#include "search/searchwindow.h"
#include "testsupport/fakes.h"

using search::SearchWindow;

namespace {

class SearchWindowChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.code("S934", "踝扭傷", "Sprain of ankle", "N");
        db.code("S93401", "右踝扭傷，未明示韌帶", "Right ankle sprain, unspecified ligament", "N");
        db.code("S93401A", "右踝扭傷，未明示韌帶，初期照護", "Right ankle sprain, initial encounter", "Y");
        db.code("S93401D", "右踝扭傷，未明示韌帶，後續照護", "Right ankle sprain, subsequent encounter", "Y");
        db.code("S93402", "左踝扭傷，未明示韌帶", "Left ankle sprain, unspecified ligament", "N");
        db.code("S93402A", "左踝扭傷，未明示韌帶，初期照護", "Left ankle sprain, initial encounter", "Y", "",
                "Y");
        db.code("S93402X", "左踝扭傷（已刪除）", "Deleted", "N", "D");
        desktop.windows.push_back({7, app::ConsultationWindowTitle, true});
    }
    std::unique_ptr<SearchWindow> searchFor(const char* code) {
        ctx.connection.open(db.path());
        auto form = std::make_unique<SearchWindow>(ctx);
        form->show();
        form->findChild<QLineEdit*>(QStringLiteral("codeEdit"))->setText(QString::fromUtf8(code));
        form->search(form.get());
        return form;
    }
    static void selectRow(SearchWindow& form, int row) {
        auto* grid = form.findChild<QTableView*>(QStringLiteral("resultGrid"));
        grid->setCurrentIndex(grid->model()->index(row, 0));
        grid->setFocus();
    }
    static void releaseHandOff(SearchWindow& form) {
        QTest::mouseClick(form.findChild<app::ImageButton*>(QStringLiteral("handOffButton")), Qt::LeftButton);
    }
    static app::BillableChooser* openChooser(SearchWindow& form) {
        for (auto* c : form.findChildren<app::BillableChooser*>())
            if (c->isVisible()) return c;
        return nullptr;
    }
    static QStringList listed(app::BillableChooser* chooser) {
        QStringList codes;
        for (int i = 0; i < chooser->list()->topLevelItemCount(); ++i)
            codes << chooser->list()->topLevelItem(i)->text(0);
        return codes;
    }

    testsupport::CodeDb db;
    testsupport::RecordingMessages messages;
    testsupport::FakeDesktop desktop;
    app::AppContext ctx{messages, desktop};
};

} // namespace

TEST_F(SearchWindowChooserTest, handOffOfAHeader_saysSoThenHandsOffTheBillableCodeChosenUnderIt) {
    auto form = searchFor("S93.4");
    ASSERT_EQ(form->resultModel()->row(0)->code, "S934");
    releaseHandOff(*form);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"非最細碼無法使用"});
    EXPECT_FALSE(desktop.clipboard.has_value());
    app::BillableChooser* chooser = openChooser(*form);
    ASSERT_NE(chooser, nullptr);
    // Billable codes only: no header, no deleted code.
    EXPECT_EQ(listed(chooser),
              (QStringList{QStringLiteral("S93401A"), QStringLiteral("S93401D"), QStringLiteral("S93402A")}));
    EXPECT_EQ(chooser->list()->topLevelItem(2)->text(1),
              QStringLiteral("左踝扭傷，未明示韌帶，初期照護(2023新增)"));

    // Chinese comes from the input method as committed text.
    QInputMethodEvent typed;
    typed.setCommitString(QStringLiteral("右 初期"));
    QApplication::sendEvent(chooser->filterBox(), &typed);
    EXPECT_EQ(chooser->shownCount(), 1);
    QTest::keyClick(chooser->filterBox(), Qt::Key_Return);
    // Handed off as if S93401A had been selected: checked, on the clipboard,
    // the consultation window raised and restored.
    EXPECT_EQ(desktop.clipboard, std::optional<std::string>("|ICD10|S93401A"));
    EXPECT_EQ(desktop.actions, (std::vector<std::string>{"front:7", "restore:7"}));
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(openChooser(*form), nullptr);

    // Cancelled: nothing handed off.
    desktop.clipboard.reset();
    selectRow(*form, 1); // S93401
    releaseHandOff(*form);
    chooser = openChooser(*form);
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(listed(chooser), (QStringList{QStringLiteral("S93401A"), QStringLiteral("S93401D")}));
    QTest::keyClick(chooser->filterBox(), Qt::Key_Escape);
    EXPECT_FALSE(desktop.clipboard.has_value());
    EXPECT_TRUE(form->isVisible()) << "Esc in the chooser closes only the chooser";

    // A finest row hands off at once, and a code with nothing billable under it
    // gets the message alone.
    selectRow(*form, 2);
    releaseHandOff(*form);
    EXPECT_EQ(desktop.clipboard, std::optional<std::string>("|ICD10|S93401A"));
    selectRow(*form, 6); // S93402X, deleted
    releaseHandOff(*form);
    EXPECT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(openChooser(*form), nullptr);
}

TEST_F(SearchWindowChooserTest, chooserKey_opensTheChooserOnAHeaderAndHandsOffAFinestRow) {
    auto form = searchFor("S93.4");
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_TRUE(form->findChild<app::ImageButton*>(QStringLiteral("handOffButton"))
                    ->toolTip()
                    .contains(QStringLiteral("F2")));
    selectRow(*form, 3); // S93401D
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    EXPECT_EQ(desktop.clipboard, std::optional<std::string>("|ICD10|S93401D"));
    EXPECT_EQ(openChooser(*form), nullptr);

    selectRow(*form, 0); // S934: the chooser at once, no message
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    app::BillableChooser* chooser = openChooser(*form);
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(messages.shown.empty());
    QTest::keyClick(chooser->filterBox(), Qt::Key_Down);
    QTest::keyClick(chooser->filterBox(), Qt::Key_Down);
    QTest::keyClick(chooser->filterBox(), Qt::Key_Enter);
    EXPECT_EQ(desktop.clipboard, std::optional<std::string>("|ICD10|S93402A"));
}

TEST_F(SearchWindowChooserTest, withoutConsultationWindow_theChooserKeyStillChoosesAndTheHandOffSaysSo) {
    desktop.windows.clear();
    auto form = searchFor("S93.4");
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    selectRow(*form, 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    app::BillableChooser* chooser = openChooser(*form);
    ASSERT_NE(chooser, nullptr);
    QTest::keyClick(chooser->filterBox(), Qt::Key_Enter);
    EXPECT_EQ(messages.shown, std::vector<std::string>{app::ConsultationMissingMessage});
    EXPECT_FALSE(desktop.clipboard.has_value());
}

TEST_F(SearchWindowChooserTest, doubleClickOnARow_handsOffAFinestCodeAndOffersTheChooserForAHeader) {
    auto form = searchFor("S93.4");
    auto* grid = form->findChild<QTableView*>(QStringLiteral("resultGrid"));
    auto doubleClick = [&](int row) {
        // As the system delivers one: a click, then the second press as a double-click.
        const QPoint at = grid->visualRect(grid->model()->index(row, 4)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    };
    doubleClick(3); // S93401D
    EXPECT_EQ(desktop.clipboard, std::optional<std::string>("|ICD10|S93401D"));
    EXPECT_EQ(form->resultModel()->currentRow(), 3);
    doubleClick(0); // S934: the message, then the chooser
    EXPECT_EQ(messages.shown, std::vector<std::string>{"非最細碼無法使用"});
    ASSERT_NE(openChooser(*form), nullptr);
    QTest::keyClick(openChooser(*form)->filterBox(), Qt::Key_Escape);
    // Enter in the grid still searches, handing nothing off.
    desktop.clipboard.reset();
    const int searches = form->searchesStarted();
    selectRow(*form, 2);
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(form->searchesStarted(), searches + 1);
    EXPECT_FALSE(desktop.clipboard.has_value());
}

TEST_F(SearchWindowChooserTest, escapeClosesTheWindowFromTheBoxesAndTheGridAndKeepsItsState) {
    auto form = searchFor("S93.4");
    ctx.activeWindowNo = app::SearchWindowNo;
    for (const char* name : {"codeEdit", "chineseNameEdit", "resultGrid"}) {
        form->showWindow();
        auto* control = form->findChild<QWidget*>(QString::fromLatin1(name));
        control->setFocus();
        QTest::keyClick(control, Qt::Key_Escape);
        EXPECT_FALSE(form->isVisible()) << name;
        EXPECT_EQ(ctx.activeWindowNo, app::NoWindow) << name;
    }
    EXPECT_EQ(form->resultModel()->rowCount(), 7);
}

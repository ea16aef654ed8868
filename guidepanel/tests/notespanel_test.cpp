#include "guidepanel/notespanel.h"

#include <fstream>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QUrl>
#include <gtest/gtest.h>

#include "guide/reader.h"
#include "testsupport/controls.h"
#include "testsupport/testsupport.h"

using guidepanel::NotesPanel;

namespace {

class NotesPanelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(guide.open(ICD_GUIDE_DB), ""); }
    static void settle() { QApplication::processEvents(); }
    guide::Guide guide;
};

} // namespace

TEST_F(NotesPanelTest, followsTheSelectionOnlyWhileShown_aRunOfMovesIsReadOnce) {
    NotesPanel panel(guide);
    panel.codeSelected("S93401A");
    settle();
    EXPECT_EQ(panel.readings(), 0) << "hidden: nothing is read";
    panel.showNotes(""); // F1 with no code of its own: the last selection
    EXPECT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.shownCode(), "S93401A");
    EXPECT_TRUE(panel.pageText().contains(QStringLiteral("avulsion of joint or ligament of ankle")));
    const int before = panel.readings();
    // Arrows held down: every move reported at once, the reading waits for the last.
    for (const char* code : {"S93401D", "S93401S", "S93402A", "M5450"})
        panel.codeSelected(code);
    EXPECT_EQ(panel.readings(), before) << "the window that moved never waits";
    settle();
    EXPECT_EQ(panel.readings(), before + 1);
    EXPECT_EQ(panel.shownCode(), "M5450");
    EXPECT_TRUE(panel.pageText().contains(QStringLiteral("排除一：不可同時編碼")));
    panel.codeSelected(""); // a row with no code keeps the page
    settle();
    EXPECT_EQ(panel.shownCode(), "M5450");
    // A chapter line of the outline tree gives its range: the chapter's notes.
    panel.codeSelected("S00-T88");
    settle();
    EXPECT_TRUE(panel.pageText().contains(QStringLiteral("第 19 章"))) << panel.pageText().toStdString();
    EXPECT_TRUE(panel.pageText().contains(QStringLiteral("birth trauma"))) << panel.pageText().toStdString();
}

TEST_F(NotesPanelTest, aCodeInANoteIsALinkThatShowsIt_andBackReturns) {
    NotesPanel panel(guide);
    // Its controls are named in the forms' case.
    EXPECT_EQ(testsupport::Control<QPushButton>(&panel, "backButton"), panel.backButton());
    EXPECT_EQ(testsupport::NamesOutOfCase(&panel), std::vector<std::string>{});
    panel.showNotes("S93401A");
    EXPECT_FALSE(panel.backButton()->isEnabled());
    const QString html = panel.page()->toHtml();
    ASSERT_TRUE(html.contains(QStringLiteral("code:S96"))) << html.toStdString();
    emit panel.page()->anchorClicked(QUrl(QStringLiteral("code:S96")));
    EXPECT_EQ(panel.shownCode(), "S96");
    EXPECT_TRUE(panel.pageText().contains(QStringLiteral("S96")));
    ASSERT_TRUE(panel.backButton()->isEnabled());
    QTest::mouseClick(panel.backButton(), Qt::LeftButton);
    EXPECT_EQ(panel.shownCode(), "S93401A");
    EXPECT_FALSE(panel.backButton()->isEnabled());
    // Something that is not a code link does nothing.
    emit panel.page()->anchorClicked(QUrl(QStringLiteral("https://example.org/")));
    EXPECT_EQ(panel.shownCode(), "S93401A");
}

TEST_F(NotesPanelTest, pairCheck_typedOrPicked_forbidsOnAnExcludes1_allowsOnAnExcludes2_followsTheShownCode) {
    NotesPanel panel(guide);
    panel.show();
    panel.showNotes("M54.50");
    QLineEdit* box = panel.pairBox()->lineEdit();
    QTest::keyClicks(box, QStringLiteral("M54.41"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(panel.pairText().contains(QStringLiteral("不可同時編碼"))) << panel.pairText().toStdString();
    EXPECT_TRUE(panel.pairText().contains(QStringLiteral("M54.5 次類目")));
    // The codes shown before can be picked.
    panel.showNotes("S96.911A");
    panel.showNotes("S93.401A");
    const int picked = panel.pairBox()->findText(QStringLiteral("S96.911A"));
    ASSERT_GE(picked, 0);
    panel.pairBox()->setCurrentIndex(picked);
    panel.checkPair();
    EXPECT_TRUE(panel.pairText().contains(QStringLiteral("可以同時編碼"))) << panel.pairText().toStdString();
    // A second code that does not exist says so.
    panel.pairBox()->setCurrentText(QStringLiteral("Q99.99"));
    panel.checkPair();
    EXPECT_TRUE(panel.pairText().contains(QStringLiteral("找不到代碼")));
}

TEST(NotesPanelWithoutGuide, missingOrDamaged_saysWhyAndNothingElseBreaks) {
    testsupport::TempDir dir;
    std::ofstream(dir.file("bad.db")) << "garbage, not SQLite";
    for (const std::string& path : {dir.file("none.db"), dir.file("bad.db")}) {
        guide::Guide g;
        const std::string problem = g.open(path);
        ASSERT_NE(problem, "");
        NotesPanel panel(g);
        EXPECT_TRUE(panel.pageText().contains(QString::fromStdString(path)))
            << panel.pageText().toStdString();
        panel.showNotes("S93401A");
        EXPECT_EQ(panel.pageText().toStdString(), problem);
        panel.pairBox()->setCurrentText(QStringLiteral("M54.16"));
        panel.checkPair();
        EXPECT_EQ(panel.pairText().toStdString(), problem);
    }
}

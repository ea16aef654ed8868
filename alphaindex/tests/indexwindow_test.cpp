#include "alphaindex/indexwindow.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/core/handoff.h"
#include "app/widgets/billablechooser.h"
#include "app/widgets/look.h"
#include "guide/reader.h"
#include "testsupport/codedb.h"
#include "testsupport/controls.h"
#include "testsupport/fakes.h"

using alphaindex::IndexWindow;

namespace {

class IndexWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(guide.open(ICD_GUIDE_DB), "");
        db.code("S934", "踝扭傷", "Sprain of ankle", "N");
        db.code("S9340", "踝扭傷，未明示韌帶", "Sprain of unspecified ligament of ankle", "N");
        db.code("S93401", "右踝扭傷，未明示韌帶", "Sprain of unspecified ligament of right ankle", "N");
        db.code("S93401A", "右踝扭傷，未明示韌帶，初期照護", "initial encounter", "Y");
        db.code("S93401D", "右踝扭傷，未明示韌帶，後續照護", "subsequent encounter", "Y");
        db.code("M5450", "下背痛，未明示", "Low back pain, unspecified", "Y");
        desktop.windows.push_back({7, app::ConsultationWindowTitle, true});
        ctx.connection.open(db.path());
        ctx.guide = &notes;
    }
    std::unique_ptr<IndexWindow> open() {
        auto w = std::make_unique<IndexWindow>(ctx, guide);
        w->showWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
        return w;
    }
    static int rowStartingWith(const IndexWindow& w, const QString& start) {
        for (int r = 0; r < w.resultCount(); ++r)
            if (w.resultText(r).startsWith(start)) return r;
        return -1;
    }

    guide::Guide guide;
    testsupport::CodeDb db;
    testsupport::RecordingMessages messages;
    testsupport::FakeDesktop desktop;
    testsupport::RecordingGuide notes;
    app::AppContext ctx{messages, desktop};
};

} // namespace

TEST_F(IndexWindowTest, liveSearch_wordsInAnyOrderAnyCaseEachTheStartOfAWord_theNotesFollow) {
    auto w = open();
    // The words box is pink, as every box that searches; the controls are
    // named in the forms' case.
    EXPECT_EQ(w->wordsEdit()->palette().color(QPalette::Base), app::look::kFilterPink);
    EXPECT_EQ(testsupport::Control<QLineEdit>(w.get(), "wordsEdit"), w->wordsEdit());
    EXPECT_EQ(testsupport::NamesOutOfCase(w.get()), std::vector<std::string>{});
    QTest::keyClicks(w->wordsEdit(), QStringLiteral("ANK spr"));
    ASSERT_GT(w->resultCount(), 0);
    EXPECT_EQ(w->resultText(0), QStringLiteral("Sprain (joint) (ligament) › ankle → S93.40-"));
    EXPECT_TRUE(w->countLabel()->text().contains(QString::number(w->resultCount())));
    EXPECT_EQ(notes.selected.back(), "S9340") << "the panel follows the current result";
    const int deltoid =
        rowStartingWith(*w, QStringLiteral("Sprain (joint) (ligament) › ankle › deltoid ligament"));
    ASSERT_GE(deltoid, 0);
    EXPECT_TRUE(w->resultText(deltoid).endsWith(QStringLiteral("→ S93.42-")));
    // The arrows move the list while the focus stays in the box.
    QTest::keyClick(w->wordsEdit(), Qt::Key_Down);
    EXPECT_EQ(w->currentRow(), 1);
    EXPECT_TRUE(w->wordsEdit()->hasFocus());
    QTest::keyClick(w->wordsEdit(), Qt::Key_F1);
    EXPECT_FALSE(notes.notes.empty());
    // A manifestation code in brackets; nothing for words that begin no word.
    w->wordsEdit()->setText(QStringLiteral("amyloid heart"));
    ASSERT_GT(w->resultCount(), 0);
    EXPECT_TRUE(w->resultText(0).contains(QStringLiteral("[I43]"))) << w->resultText(0).toStdString();
    w->wordsEdit()->setText(QStringLiteral("prain"));
    EXPECT_EQ(w->resultCount(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(IndexWindowTest, see_isALinkToTheNamedTerm_andEnterOnARowWithOnlyASeeGoesThere) {
    auto w = open();
    QTest::keyClicks(w->wordsEdit(), QStringLiteral("abdominalgia"));
    ASSERT_GT(w->resultCount(), 0);
    EXPECT_TRUE(w->resultText(0).contains(QStringLiteral("see Pain, abdominal")));
    const QString link = w->entryLabel()->text();
    ASSERT_TRUE(link.contains(QStringLiteral("href=\"see:"))) << link.toStdString();
    QTest::keyClick(w->wordsEdit(), Qt::Key_Return);
    ASSERT_GE(w->currentRow(), 0);
    EXPECT_TRUE(w->resultText(w->currentRow()).startsWith(QStringLiteral("Pain")))
        << w->resultText(w->currentRow()).toStdString();
    EXPECT_TRUE(w->resultText(w->currentRow()).contains(QStringLiteral("abdominal")));
    // The label's link does the same.
    w->wordsEdit()->setText(QStringLiteral("abdominalgia"));
    const int from = link.indexOf(QStringLiteral("see:"));
    const QString href = link.mid(from, link.indexOf(QLatin1Char('"'), from) - from);
    emit w->entryLabel()->linkActivated(href);
    EXPECT_TRUE(w->resultText(w->currentRow()).startsWith(QStringLiteral("Pain")));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(desktop.clipboard.has_value());
}

TEST_F(IndexWindowTest, aDashCodeOpensTheChooser_whoseChoiceIsHandedOff_aBillableCodeGoesAtOnce) {
    auto w = open();
    QTest::keyClicks(w->wordsEdit(), QStringLiteral("sprain ankle"));
    ASSERT_EQ(w->currentCode(), "S93.40-");
    QTest::keyClick(w->wordsEdit(), Qt::Key_Return);
    auto* chooser = w->findChild<app::BillableChooser*>();
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->list()->topLevelItemCount(), 2);
    EXPECT_TRUE(messages.shown.empty()) << "a header: the chooser without the message";
    EXPECT_EQ(notes.selected.back(), "S93401A") << "the panel follows the chooser";
    QTest::keyClick(chooser->filterBox(), Qt::Key_Down);
    QTest::keyClick(chooser->filterBox(), Qt::Key_Return);
    EXPECT_EQ(desktop.clipboard.value_or(""), "|ICD10|S93401D");
    EXPECT_EQ(desktop.actions, (std::vector<std::string>{"front:7", "restore:7"}));

    // Pain › low back → M54.50: billable, handed off on a double-click.
    w->wordsEdit()->setText(QStringLiteral("pain low back"));
    ASSERT_GT(w->resultCount(), 0);
    EXPECT_TRUE(w->resultText(0).endsWith(QStringLiteral("→ M54.50"))) << w->resultText(0).toStdString();
    const QRect row = w->resultView()->visualRect(w->resultView()->model()->index(0, 0));
    QTest::mouseClick(w->resultView()->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(desktop.clipboard.value_or(""), "|ICD10|S93401D") << "a click only selects";
    QTest::mouseDClick(w->resultView()->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(desktop.clipboard.value_or(""), "|ICD10|M5450");

    // A code the code table lacks: the search grid's message, nothing handed off.
    w->wordsEdit()->setText(QStringLiteral("pain low back specified"));
    ASSERT_EQ(w->currentCode(), "M54.59");
    QTest::keyClick(w->wordsEdit(), Qt::Key_Return);
    EXPECT_EQ(messages.shown, std::vector<std::string>{app::NotFinestMessage});
    EXPECT_EQ(desktop.clipboard.value_or(""), "|ICD10|M5450");
}

TEST(IndexWindowWithoutGuide, missingGuide_saysWhy_theBoxIsOff_nothingCrashes) {
    guide::Guide missing;
    const std::string problem = missing.open("/nonexistent/icd10cm_guide_2023.db");
    app::AppContext ctx;
    IndexWindow w(ctx, missing);
    w.showWindow();
    QTest::qWait(150); // the index would be read a moment after the window is shown
    EXPECT_FALSE(w.wordsEdit()->isEnabled());
    EXPECT_TRUE(w.entryLabel()->text().contains(QStringLiteral("找不到編碼指引檔")))
        << w.entryLabel()->text().toStdString();
    EXPECT_TRUE(w.entryLabel()->text().contains(QStringLiteral("其他功能照常")));
    w.search(QStringLiteral("sprain"));
    w.actOnCurrent();
    EXPECT_EQ(w.resultCount(), 0);
}

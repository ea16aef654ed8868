#include "search/searchwindow.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include "app/core/handoff.h"
#include "app/core/indexednames.h"
#include "app/widgets/imagebutton.h"
#include "app/widgets/look.h"
#include "search/criteria.h"
#include "search/ranking.h"
#include "search/resultmodel.h"
#include "testsupport/codedb.h"
#include "testsupport/controls.h"
#include "testsupport/fakes.h"

using namespace search;
using TestDb = testsupport::CodeDb;

namespace {

const std::string Differences = "((ICD10_2023FLAG<>'') OR (ICD10_2023NEW<>''))";

class SearchWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.code("A00", "霍亂", "Cholera", "N");
        db.code("A000", "霍亂弧菌霍亂", "Cholera due to Vibrio cholerae", "Y", "", "Y");
        db.code("A001", "霍亂弧菌El Tor型霍亂", "Cholera due to Vibrio cholerae 01, biovar eltor", "Y", "X");
        db.code("A009", "霍亂", "Cholera, unspecified", "Y");
        db.code("S93401A", "左側踝部扭傷,初期照護", "Sprain of left ankle, initial encounter", "Y");
        db.code("S93401D", "左側踝部扭傷,後續照護", "Sprain of left ankle, subsequent encounter", "Y");
        desktop.windows.push_back({7, app::ConsultationWindowTitle, true});
    }
    std::unique_ptr<SearchWindow> create() {
        ctx.connection.open(db.path());
        return std::make_unique<SearchWindow>(ctx);
    }
    template <class T> static T* child(QWidget* w, const char* name) {
        return testsupport::Control<T>(w, name);
    }
    static void release(QWidget* form, const char* image) {
        auto* picture = child<app::ImageButton>(form, image);
        QTest::mousePress(picture, Qt::LeftButton);
        QTest::mouseRelease(picture, Qt::LeftButton);
    }
    static std::vector<std::string> codes(SearchWindow& form) {
        std::vector<std::string> out;
        for (int i = 0; i < form.resultModel()->rowCount(); ++i)
            out.emplace_back(form.resultModel()->row(i)->code);
        return out;
    }

    TestDb db;
    testsupport::RecordingMessages messages;
    testsupport::FakeDesktop desktop;
    app::AppContext ctx{messages, desktop};
};

} // namespace

TEST_F(SearchWindowTest, withoutRankingColumn_hidesTheFilterAndWidensTheFinestGroup) {
    auto form = create();
    EXPECT_EQ(form->size(), QSize(712, 533));
    auto* ranking = child<QGroupBox>(form.get(), "rankingGroup");
    auto* finest = child<QGroupBox>(form.get(), "finestGroup");
    EXPECT_TRUE(ranking->isHidden());
    EXPECT_EQ(finest->geometry(), QRect(472, 5, 169, 64));
    EXPECT_FALSE(form->criteria().rankingVisible);
    // The head without the ranking column, even with the hidden group's index set.
    ranking->findChildren<QRadioButton*>()[1]->setChecked(true);
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("A00"));
    form->search(form.get());
    EXPECT_EQ(form->resultQuery().lines().front(), HeadLine);
    EXPECT_EQ(codes(*form), (std::vector<std::string>{"A00", "A000", "A001", "A009"}));
}

TEST_F(SearchWindowTest, withRankingColumn_showsTheFilterAndUsesIt) {
    db.connection.exec("ALTER TABLE ICD10 ADD COLUMN ICD10_RANKING VARCHAR(6)");
    db.connection.exec("UPDATE ICD10 SET ICD10_RANKING='一千大' WHERE ICD10_NO='A001'");
    auto form = create();
    auto* ranking = child<QGroupBox>(form.get(), "rankingGroup");
    EXPECT_FALSE(ranking->isHidden());
    EXPECT_EQ(ranking->geometry(), QRect(472, 5, 81, 72));
    EXPECT_EQ(child<QGroupBox>(form.get(), "finestGroup")->geometry(), QRect(560, 5, 81, 64));
    ranking->findChildren<QRadioButton*>()[2]->setChecked(true);
    form->search(form.get());
    EXPECT_EQ(form->resultQuery().lines().front(), RankingHeadLine);
    EXPECT_EQ(codes(*form), std::vector<std::string>{"A001"});
}

TEST_F(SearchWindowTest, radioGroups_holdTheirItemsInPlace) {
    auto form = create();
    struct {
        const char* name;
        std::size_t items;
    } groups[] = {{"sexGroup", 3},     {"sideGroup", 4},   {"episodeGroup", 4},  {"bodyPartGroup", 28},
                  {"injuryGroup", 15}, {"finestGroup", 2}, {"dominantGroup", 3}, {"rankingGroup", 3}};
    for (const auto& g : groups) {
        auto* box = child<QGroupBox>(form.get(), g.name);
        auto radios = box->findChildren<QRadioButton*>();
        ASSERT_EQ(static_cast<std::size_t>(radios.size()), g.items) << g.name;
        EXPECT_TRUE(radios[0]->isChecked()) << g.name;
        for (auto* r : radios)
            EXPECT_TRUE(box->rect().contains(r->geometry())) << g.name << " " << r->text().toStdString();
    }
    auto body = child<QGroupBox>(form.get(), "bodyPartGroup")->findChildren<QRadioButton*>();
    EXPECT_EQ(body[8]->text(), QStringLiteral("頸"));
    body[8]->setChecked(true);
    EXPECT_EQ(form->criteria().bodyPart, 8);
}

// The controls take their captions and items from the criteria tables, keep
// what they hold in the criterion's member, and Tab meets them in the form's
// order, which is not the order the statement adds their conditions.
TEST_F(SearchWindowTest, criteriaTables_captionTheControlsAndTabFollowsTheForm) {
    db.connection.exec("ALTER TABLE ICD10 ADD COLUMN ICD10_RANKING VARCHAR(6)");
    auto form = create();
    for (const TextCriterion& t : TextCriteria()) {
        const std::string key = t.key;
        EXPECT_EQ(child<QLabel>(form.get(), (key + "Label").c_str())->text(), QString::fromUtf8(t.caption));
        auto* edit = child<QLineEdit>(form.get(), (key + "Edit").c_str());
        EXPECT_EQ(edit->palette().color(QPalette::Base), app::look::kFilterPink)
            << key; // a box that searches
        edit->setText(QString::fromUtf8(t.caption));
        EXPECT_EQ(form->criteria().*t.text, t.caption);
    }
    for (const ChoiceCriterion& k : ChoiceCriteria()) {
        auto* box = child<QGroupBox>(form.get(), (std::string(k.key) + "Group").c_str());
        EXPECT_EQ(box->title(), QString::fromUtf8(k.caption));
        auto radios = box->findChildren<QRadioButton*>();
        ASSERT_EQ(static_cast<std::size_t>(radios.size()), k.items.size()) << k.key;
        for (std::size_t i = 0; i < k.items.size(); ++i)
            EXPECT_EQ(radios[static_cast<qsizetype>(i)]->text(), QString::fromStdString(k.items[i]));
        radios.back()->setChecked(true);
        EXPECT_EQ(form->criteria().*k.choice, static_cast<int>(k.items.size()) - 1) << k.key;
    }
    form->clearCriteria();
    EXPECT_TRUE(form->criteria().icd10Code.empty());
    EXPECT_EQ(form->criteria().ranking, 0);

    QStringList groups;
    QWidget* start = child<QWidget>(form.get(), "clearButton");
    for (QWidget* w = start->nextInFocusChain(); w != start; w = w->nextInFocusChain())
        if (qobject_cast<QRadioButton*>(w) && !groups.contains(w->parentWidget()->objectName()))
            groups << w->parentWidget()->objectName();
    EXPECT_EQ(groups.join(QLatin1Char(' ')),
              QStringLiteral("sexGroup sideGroup episodeGroup bodyPartGroup injuryGroup "
                             "finestGroup dominantGroup rankingGroup"));
    EXPECT_EQ(testsupport::NamesOutOfCase(form.get()), std::vector<std::string>{});
}

TEST_F(SearchWindowTest, enterFromEveryControl_searchesWithoutThe2023Differences) {
    auto form = create();
    form->show();
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("A00"));
    QList<QWidget*> controls;
    for (const char* e :
         {"icd9CodeEdit", "codeEdit", "chineseNameEdit", "englishNameEdit", "icd9NameEdit", "resultGrid"})
        controls.push_back(child<QWidget>(form.get(), e));
    for (auto* r : form->findChildren<QRadioButton*>())
        if (r->isVisibleTo(form.get())) controls.push_back(r);
    ASSERT_GT(controls.size(), 60);
    auto* speed = child<QToolButton>(form.get(), "differencesButton");
    for (QWidget* w : controls) {
        speed->click();
        ASSERT_EQ(form->resultQuery().lines()[1], Differences);
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Return);
        const auto& lines = form->resultQuery().lines();
        ASSERT_EQ(lines.size(), 3u) << w->objectName().toStdString();
        EXPECT_EQ(lines[1], "(ICD10_NO LIKE 'A00%')");
    }
    // The keypad's Enter too; the search picture never adds the condition either.
    speed->click();
    child<QWidget>(form.get(), "chineseNameEdit")->setFocus();
    QTest::keyClick(child<QWidget>(form.get(), "chineseNameEdit"), Qt::Key_Enter);
    EXPECT_EQ(form->resultQuery().lines().size(), 3u);
    speed->click();
    release(form.get(), "searchButton");
    EXPECT_EQ(form->resultQuery().lines().size(), 3u);
    EXPECT_EQ(codes(*form).size(), 4u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SearchWindowTest, gridShowsSixColumnsAndDecoratesTheName) {
    auto form = create();
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("A00"));
    form->search(form.get());
    auto* grid = child<QTableView>(form.get(), "resultGrid");
    auto* model = grid->model();
    ASSERT_EQ(model->columnCount(), 6);
    QStringList titles;
    for (int c = 0; c < 6; ++c)
        titles << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("2023刪除"), QStringLiteral("2023新增"),
                                   QStringLiteral("細碼"), QStringLiteral("ICD-10"),
                                   QStringLiteral("中文名稱"), QStringLiteral("英文名稱")}));
    for (int c = 0; c < 6; ++c)
        EXPECT_GE(grid->columnWidth(c), grid->horizontalHeader()->fontMetrics().horizontalAdvance(titles[c]));
    EXPECT_GT(grid->columnWidth(4), 40 * grid->fontMetrics().horizontalAdvance(QLatin1Char('0')));
    EXPECT_GT(grid->columnWidth(5), grid->columnWidth(4));

    ASSERT_EQ(model->rowCount(), 4);
    // A001 is disabled in 2023: "X" in the first column, the suffix in the fifth.
    EXPECT_EQ(model->index(2, 0).data().toString(), QStringLiteral("X"));
    EXPECT_EQ(model->index(2, 3).data().toString(), QStringLiteral("A001"));
    EXPECT_EQ(model->index(2, 4).data().toString(), QStringLiteral("霍亂弧菌El Tor型霍亂(2023禁用)"));
    EXPECT_EQ(model->index(1, 1).data().toString(), QStringLiteral("Y"));
    EXPECT_EQ(model->index(1, 4).data().toString(), QStringLiteral("霍亂弧菌霍亂(2023新增)"));
    EXPECT_EQ(model->index(0, 4).data().toString(), QStringLiteral("霍亂"));

    // The detail strip follows the current row, the first one after a search.
    auto* code = child<QLabel>(form.get(), "currentCodeLabel");
    auto* name = child<QLabel>(form.get(), "currentNameLabel");
    auto* english = child<QLabel>(form.get(), "currentEnglishNameLabel");
    EXPECT_EQ(code->text(), QStringLiteral("A00"));
    grid->setCurrentIndex(model->index(2, 0));
    EXPECT_EQ(code->text(), QStringLiteral("A001"));
    EXPECT_EQ(name->text(), QStringLiteral("霍亂弧菌El Tor型霍亂(2023禁用)"));
    EXPECT_EQ(english->text(), QStringLiteral("Cholera due to Vibrio cholerae 01, biovar eltor"));
}

TEST_F(SearchWindowTest, emptySearch_leavesGridAndStripEmptyAndHandOffDoesNothing) {
    auto form = create();
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("A00"));
    form->search(form.get());
    ASSERT_EQ(form->resultModel()->rowCount(), 4);
    child<QLineEdit>(form.get(), "codeEdit")->clear();
    child<QLineEdit>(form.get(), "chineseNameEdit")->setText(QStringLiteral("   ")); // no words: no criterion
    release(form.get(), "searchButton");
    EXPECT_EQ(form->resultModel()->rowCount(), 0);
    EXPECT_FALSE(form->resultQuery().isOpen());
    EXPECT_TRUE(child<QLabel>(form.get(), "currentCodeLabel")->text().isEmpty());
    EXPECT_TRUE(child<QLabel>(form.get(), "currentNameLabel")->text().isEmpty());
    release(form.get(), "handOffButton");
    EXPECT_FALSE(desktop.clipboard.has_value());
    EXPECT_TRUE(desktop.actions.empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SearchWindowTest, handOff_sendsFinestCodesAndRefusesOthers) {
    auto form = create();
    EXPECT_FALSE(child<QWidget>(form.get(), "handOffButton")->isHidden());
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("A00"));
    form->search(form.get());
    release(form.get(), "handOffButton"); // A00 is a category
    EXPECT_EQ(messages.shown, std::vector<std::string>{"非最細碼無法使用"});
    EXPECT_FALSE(desktop.clipboard.has_value());
    auto* grid = child<QTableView>(form.get(), "resultGrid");
    grid->setCurrentIndex(grid->model()->index(3, 0));
    release(form.get(), "handOffButton");
    EXPECT_EQ(desktop.clipboard, std::optional<std::string>("|ICD10|A009"));
    EXPECT_EQ(desktop.actions, (std::vector<std::string>{"front:7", "restore:7"}));
}

TEST_F(SearchWindowTest, guide_theCurrentRowIsReportedAsItMoves_F1ShowsItsNotes_theButtonOpensTheIndex) {
    testsupport::RecordingGuide guide;
    ctx.guide = &guide;
    auto form = create();
    form->showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("S93"));
    form->search(form.get());
    ASSERT_FALSE(guide.selected.empty());
    EXPECT_EQ(guide.selected.back(), "S93401A") << "the first row, once the result is shown";
    auto* grid = child<QTableView>(form.get(), "resultGrid");
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(guide.selected.back(), "S93401D");
    EXPECT_TRUE(guide.notes.empty());
    QTest::keyClick(grid, Qt::Key_F1);
    EXPECT_EQ(guide.notes, std::vector<std::string>{"S93401D"});
    // From a box as well: F1 belongs to the whole window.
    QTest::keyClick(child<QLineEdit>(form.get(), "codeEdit"), Qt::Key_F1);
    EXPECT_EQ(guide.notes.size(), 2u);
    QTest::mouseClick(child<QPushButton>(form.get(), "indexButton"), Qt::LeftButton);
    EXPECT_EQ(guide.indexShown, 1);
    ctx.guide = nullptr;
}

TEST_F(SearchWindowTest, consultationStartedAfterTheWindowAndClosedWhileItIsOpen) {
    desktop.windows.clear();
    auto form = create();
    auto* picture = child<QWidget>(form.get(), "handOffButton");
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_TRUE(picture->isHidden());
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("A00"));
    form->search(form.get());
    auto* grid = child<QTableView>(form.get(), "resultGrid");
    grid->setCurrentIndex(grid->model()->index(3, 0)); // A009, finest
    // The chooser key still works: it says what is missing.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_F2);
    EXPECT_EQ(messages.shown, std::vector<std::string>{app::ConsultationMissingMessage});
    EXPECT_FALSE(desktop.clipboard.has_value());

    // The consultation program starts after this window: the next activation shows the picture.
    desktop.windows.push_back({7, app::ConsultationWindowTitle, true});
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_TRUE(picture->isVisible());
    release(form.get(), "handOffButton");
    EXPECT_EQ(desktop.clipboard, std::optional<std::string>("|ICD10|A009"));

    // Closed while this window stays open and active: the picture still shows,
    // and its hand-off says so, the clipboard left as it was.
    desktop.windows.back().open = false;
    release(form.get(), "handOffButton");
    EXPECT_EQ(messages.shown,
              (std::vector<std::string>{app::ConsultationMissingMessage, app::ConsultationMissingMessage}));
    EXPECT_EQ(desktop.clipboard, std::optional<std::string>("|ICD10|A009"));
    EXPECT_EQ(desktop.actions, (std::vector<std::string>{"front:7", "restore:7"}));
    // Shown again later (closed and launched from the menu): hidden.
    form->close();
    form->showWindow();
    EXPECT_TRUE(picture->isHidden());
}

TEST_F(SearchWindowTest, enlarged_theGridTakesTheRoomAndShowsMoreRows_theCriteriaStay) {
    for (int i = 0; i < 60; ++i)
        db.code("B" + std::to_string(100 + i), "病" + std::to_string(i), "disease " + std::to_string(i), "Y");
    auto form = create();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_EQ(form->size(), QSize(712, 533)); // the default size as it was
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    auto* grid = child<QTableView>(form.get(), "resultGrid");
    auto* codeBox = child<QLineEdit>(form.get(), "codeEdit");
    auto* picture = child<QWidget>(form.get(), "handOffButton");
    const QRect codeBoxPlace = codeBox->geometry();
    EXPECT_EQ(grid->geometry(), QRect(1, 289, 710, 202)); // as laid out at the default size
    codeBox->setText(QStringLiteral("B1"));
    form->search(form.get());
    auto visibleRows = [&] {
        const int last = grid->rowAt(grid->viewport()->height() - 1);
        return (last < 0 ? grid->model()->rowCount() : last + 1) - grid->rowAt(0);
    };
    const int before = visibleRows();

    form->resize(1100, 850);
    QTest::qWait(20);
    EXPECT_GT(visibleRows(), before + 10);
    EXPECT_EQ(grid->width(), 1098);
    EXPECT_EQ(codeBox->geometry(), codeBoxPlace);
    // The strip of the current row stays at the bottom, its picture at the right end.
    auto* strip = child<QWidget>(form.get(), "currentRowPanel");
    EXPECT_EQ(strip->geometry().bottom(), form->height() - 2);
    EXPECT_EQ(picture->geometry().right(), strip->width() - 10);
    EXPECT_EQ(grid->geometry().bottom() + 1, strip->y());

    const QByteArray dir = qgetenv("ICD_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(form->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/search-enlarged.png")));
    }
    // Back to the default size: the grid as before.
    form->resize(712, 533);
    QTest::qWait(20);
    EXPECT_EQ(grid->geometry(), QRect(1, 289, 710, 202));
    form->resize(300, 200); // never smaller than the default
    EXPECT_EQ(form->size(), QSize(712, 533));
}

TEST_F(SearchWindowTest, icd11Rows_areMarkedInTheGridTheCountAndTheDetailStrip) {
    db.code("S99", "其他損傷", "Other injuries", "N");
    db.code("SA00", "肝系病", "Liver system disorders", "N");
    db.code("SJ1Z", "肝鬱證", "Liver qi stagnation pattern", "Y");
    auto form = create();
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("S"));
    form->search(form.get());
    ASSERT_EQ(codes(*form), (std::vector<std::string>{"S93401A", "S93401D", "S99", "SA00", "SJ1Z"}));
    EXPECT_EQ(child<QLabel>(form.get(), "rowCountLabel")->text(),
              QStringLiteral("共 5 筆，其中 ICD-11 傳統醫學 2 筆"));
    QAbstractItemModel* model = child<QTableView>(form.get(), "resultGrid")->model();
    EXPECT_EQ(model->index(4, 4).data().toString(), QStringLiteral("【ICD-11】肝鬱證"));
    EXPECT_EQ(model->index(2, 4).data().toString(), QStringLiteral("其他損傷"));
    EXPECT_TRUE(model->index(4, 3).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model->index(2, 3).data(Qt::BackgroundRole).isValid());
    EXPECT_TRUE(
        model->index(4, 3).data(Qt::ToolTipRole).toString().contains(QStringLiteral("不是 ICD-10-CM")));
    // Copying keeps the name as it is, without the mark.
    EXPECT_EQ(form->resultModel()->decoratedName(4), QStringLiteral("肝鬱證"));

    auto* grid = child<QTableView>(form.get(), "resultGrid");
    grid->setCurrentIndex(model->index(4, 0));
    EXPECT_EQ(child<QLabel>(form.get(), "currentNameLabel")->text(), QStringLiteral("【ICD-11】肝鬱證"));
    EXPECT_FALSE(child<QLabel>(form.get(), "currentCodeLabel")->toolTip().isEmpty());
    grid->setCurrentIndex(model->index(2, 0));
    EXPECT_EQ(child<QLabel>(form.get(), "currentNameLabel")->text(), QStringLiteral("其他損傷"));
    EXPECT_TRUE(child<QLabel>(form.get(), "currentCodeLabel")->toolTip().isEmpty());
    // The hand-off stays as it is for an ICD-11 code.
    grid->setCurrentIndex(model->index(4, 0));
    release(form.get(), "handOffButton");
    EXPECT_EQ(desktop.clipboard, std::optional<std::string>("|ICD10|SJ1Z"));
}

TEST_F(SearchWindowTest, closeAndShowAgain_keepsCriteriaRowsAndCurrentRow) {
    auto form = create();
    form->showWindow();
    ctx.activeWindowNo = app::SearchWindowNo;
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("A00"));
    child<QGroupBox>(form.get(), "finestGroup")->findChildren<QRadioButton*>()[1]->setChecked(true);
    form->search(form.get());
    auto* grid = child<QTableView>(form.get(), "resultGrid");
    grid->setCurrentIndex(grid->model()->index(2, 0));
    release(form.get(), "closeButton");
    EXPECT_TRUE(form->isHidden());
    EXPECT_EQ(ctx.activeWindowNo, app::NoWindow);

    form->showWindow();
    EXPECT_EQ(child<QLineEdit>(form.get(), "codeEdit")->text(), QStringLiteral("A00"));
    EXPECT_EQ(form->criteria().finest, 1);
    EXPECT_EQ(codes(*form), (std::vector<std::string>{"A000", "A001", "A009"}));
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(child<QLabel>(form.get(), "currentCodeLabel")->text(), QStringLiteral("A009"));
}

TEST_F(SearchWindowTest, engineError_showsTheMessageAndLeavesTheGridEmpty) {
    db.connection.exec("ALTER TABLE ICD10 ADD COLUMN ICD10_RANKING VARCHAR(6)");
    auto form = create();
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("A00"));
    form->search(form.get());
    ASSERT_EQ(form->resultModel()->rowCount(), 4);
    // The column disappears behind the window's back.
    db.connection.exec("ALTER TABLE ICD10 DROP COLUMN ICD10_RANKING");
    child<QGroupBox>(form.get(), "rankingGroup")->findChildren<QRadioButton*>()[1]->setChecked(true);
    form->search(form.get());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find("ICD10_RANKING"), std::string::npos) << messages.shown[0];
    EXPECT_EQ(form->resultModel()->rowCount(), 0);
    EXPECT_FALSE(form->resultQuery().isOpen());
    EXPECT_TRUE(child<QLabel>(form.get(), "currentCodeLabel")->text().isEmpty());
}

TEST_F(SearchWindowTest, hiddenRankingButton_buildsTheRankingAndShowsTheLastCode) {
    db.usage("001.0", "00100");
    db.usage("001.1", "00700");
    db.cm("001.0", "A00.0");
    db.cm("001.1", "A00.1");
    auto form = create();
    auto* button = child<QWidget>(form.get(), "buildRankingButton");
    EXPECT_TRUE(button->isHidden());
    EXPECT_EQ(button->geometry(), QRect(576, 80, 123, 25));
    // A search left open while the ranking is built.
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("A"));
    form->search(form.get());
    form->buildRanking();
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("A00.0"));
    db::Query q(db.connection);
    q.setText("SELECT ICD10_NO FROM ICD10 WHERE ICD10_RANKING<>'' ORDER BY ICD10_NO");
    q.open();
    std::vector<std::string> marked;
    for (; !q.eof(); q.next())
        marked.push_back(q.field("ICD10_NO"));
    EXPECT_EQ(marked, (std::vector<std::string>{"A000", "A001"}));
}

TEST_F(SearchWindowTest, rankingFailure_showsTheMessageAndKeepsTheCaption) {
    db.usage("001.0", "00100");
    db.cm("001.0", "A00.0");
    db.cm("001.0", "A00.1");
    db.connection.exec("CREATE TRIGGER fail BEFORE UPDATE ON ICD10 WHEN NEW.ICD10_NO='A001' "
                       "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END");
    auto form = create();
    const QString caption = form->windowTitle();
    form->buildRanking();
    // What failed and what to do, in Chinese, with the engine's text after it.
    EXPECT_EQ(messages.shown,
              std::vector<std::string>{"建立篩選排名失敗:磁碟空間不足。請騰出磁碟空間後再試一次;"
                                       "原來的資料庫沒有更動。(disk I/O error)"});
    EXPECT_EQ(form->windowTitle(), caption); // A00.0 was marked, then rolled back
    db::Query probe(db.connection);
    probe.setText(RankingProbeStatement);
    EXPECT_THROW(probe.open(), db::Error);
}

// The worked example as the user sees it: the picture of the window (kept in
// ICD_SCREENSHOT_DIR when that names a folder) shows the whole window with the
// rows drawn in the grid.
TEST_F(SearchWindowTest, screenshotWithTheWorkedExample_showsTheWindowWithItsRows) {
    const char* sides[] = {"右側", "左側", "未明示側"};
    const char* episodes[][2] = {{"A", "初期照護"}, {"D", "後續照護"}, {"S", "後遺症"}};
    for (int side = 1; side <= 3; ++side)
        for (const auto& e : episodes) {
            const std::string no = "S9342" + std::to_string(side) + e[0];
            db.code(no, std::string(sides[side - 1]) + "踝部三角韌帶扭傷," + e[1],
                    "Sprain of deltoid ligament of ankle, " + std::string(e[1]), "Y", side == 3 ? "X" : "",
                    side == 2 && e[0][0] == 'S' ? "Y" : "");
        }
    // On the full-size test database when it is there, else on the rows above.
    const std::string full = testsupport::FullDatabasePath();
    ctx.connection.open(full.empty() ? db.path() : full);
    auto form = std::make_unique<SearchWindow>(ctx);
    form->show();
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("S93.4"));
    child<QGroupBox>(form.get(), "sideGroup")->findChildren<QRadioButton*>()[1]->setChecked(true);
    child<QGroupBox>(form.get(), "episodeGroup")->findChildren<QRadioButton*>()[1]->setChecked(true);
    form->search(form.get());
    EXPECT_GT(form->resultModel()->rowCount(), 0);
    const QImage picture = form->grab().toImage();
    EXPECT_EQ(picture.size(), form->size());
    // The grid's area holds drawn text (many colours), not an empty panel.
    auto* grid = child<QTableView>(form.get(), "resultGrid");
    const QRect area(grid->viewport()->mapTo(form.get(), QPoint(0, 0)), grid->viewport()->size());
    QSet<QRgb> colours;
    for (int y = area.top(); y < area.bottom(); y += 2)
        for (int x = area.left(); x < area.right(); x += 2)
            colours.insert(picture.pixel(x, y));
    EXPECT_GT(colours.size(), 8);
    const QByteArray dir = qgetenv("ICD_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(picture.save(QString::fromLocal8Bit(dir) + QStringLiteral("/search.png")));
    }
}

namespace {

// Runs the event loop until the condition holds or the time is up.
template <class Condition> bool WaitFor(Condition condition, int milliseconds = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

QRadioButton* Radio(QWidget* form, const char* group, int index) {
    return form->findChild<QGroupBox*>(QString::fromLatin1(group))->findChildren<QRadioButton*>()[index];
}

} // namespace

TEST_F(SearchWindowTest, liveSearch_runsEnterStatementOnceAfterThePause) {
    auto form = create();
    form->show();
    auto* live = child<QCheckBox>(form.get(), "liveSearchBox");
    EXPECT_TRUE(live->isChecked()); // on by default
    auto* edit = child<QLineEdit>(form.get(), "codeEdit");
    edit->setFocus();
    Radio(form.get(), "finestGroup", 1)->setChecked(true);
    QTest::keyClicks(edit, QStringLiteral("a00.0"));
    // Five keystrokes and a radio change inside the pause: one search.
    EXPECT_EQ(form->searchesStarted(), 0);
    ASSERT_TRUE(WaitFor([&] { return form->searchesStarted() == 1; }));
    QTest::qWait(300);
    EXPECT_EQ(form->searchesStarted(), 1);
    const std::vector<std::string> typed = form->resultQuery().lines();
    EXPECT_EQ(codes(*form), std::vector<std::string>{"A000"});
    // Enter runs exactly the same statement, never with the 2023 condition.
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(form->resultQuery().lines(), typed);
    EXPECT_EQ(typed[1], "(ICD10_NO LIKE 'a000%')");

    // A radio group change searches again.
    Radio(form.get(), "finestGroup", 0)->setChecked(true);
    ASSERT_TRUE(WaitFor([&] { return form->searchesStarted() == 3; }));
    EXPECT_EQ(form->resultQuery().lines().size(), 3u);

    // The clear button empties every box and radio group, and the grid with them.
    Radio(form.get(), "sideGroup", 1)->setChecked(true);
    child<QLineEdit>(form.get(), "chineseNameEdit")->setText(QStringLiteral("霍亂"));
    QTest::mouseClick(child<QPushButton>(form.get(), "clearButton"), Qt::LeftButton);
    for (const char* e : {"icd9CodeEdit", "codeEdit", "chineseNameEdit", "englishNameEdit", "icd9NameEdit"})
        EXPECT_TRUE(child<QLineEdit>(form.get(), e)->text().isEmpty()) << e;
    const Criteria c = form->criteria();
    EXPECT_EQ(c.side + c.sex + c.finest + c.episode + c.bodyPart + c.injury + c.dominant + c.ranking, 0);
    ASSERT_TRUE(WaitFor([&] { return !form->resultQuery().isOpen() && form->searchesStarted() == 4; }));
    EXPECT_EQ(form->resultModel()->rowCount(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SearchWindowTest, liveSearchOff_typingAndRadiosDoNothingUntilEnter) {
    auto form = create();
    form->show();
    child<QCheckBox>(form.get(), "liveSearchBox")->setChecked(false);
    auto* edit = child<QLineEdit>(form.get(), "codeEdit");
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("A00"));
    Radio(form.get(), "finestGroup", 1)->setChecked(true);
    QTest::qWait(400);
    EXPECT_EQ(form->searchesStarted(), 0);
    EXPECT_EQ(form->resultModel()->rowCount(), 0);
    // Clearing with the box off searches nothing either.
    form->clearCriteria();
    QTest::qWait(300);
    EXPECT_EQ(form->searchesStarted(), 0);
    QTest::keyClicks(edit, QStringLiteral("A00"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(form->searchesStarted(), 1);
    EXPECT_EQ(codes(*form).size(), 4u);
}

TEST_F(SearchWindowTest, liveSearchError_showsNoMessageUntilEnter) {
    db.connection.exec("ALTER TABLE ICD10 ADD COLUMN ICD10_RANKING VARCHAR(6)");
    auto form = create();
    form->show();
    db.connection.exec("ALTER TABLE ICD10 DROP COLUMN ICD10_RANKING");
    auto* edit = child<QLineEdit>(form.get(), "codeEdit");
    edit->setFocus();
    Radio(form.get(), "rankingGroup", 1)->setChecked(true);
    QTest::keyClicks(edit, QStringLiteral("A0"));
    ASSERT_TRUE(WaitFor([&] { return form->searchesStarted() == 1; }));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(form->resultModel()->rowCount(), 0);
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find("ICD10_RANKING"), std::string::npos);
}

TEST_F(SearchWindowTest, liveSearchFindingNothing_saysSoInTheCountLine_asDoesAnIcd9BoxThatMapsToNothing) {
    auto form = create();
    form->show();
    auto* count = child<QLabel>(form.get(), "rowCountLabel");
    auto* edit = child<QLineEdit>(form.get(), "codeEdit");
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("Q9"));
    ASSERT_TRUE(WaitFor([&] { return form->searchesStarted() == 1; }));
    EXPECT_EQ(count->text(), QStringLiteral("共 0 筆（查無資料）"));
    edit->clear();
    ASSERT_TRUE(WaitFor([&] { return form->searchesStarted() == 2; }));
    EXPECT_TRUE(count->text().isEmpty()); // no criterion: no search, nothing to count

    // An ICD-9 code with no ICD-10 code: said in the line while typing, no box.
    auto* icd9 = child<QLineEdit>(form.get(), "icd9CodeEdit");
    icd9->setFocus();
    QTest::keyClicks(icd9, QStringLiteral("8455"));
    ASSERT_TRUE(WaitFor([&] { return form->searchesStarted() == 3; }));
    EXPECT_EQ(count->text(), QStringLiteral("ICD9碼「8455」查無對應的ICD10碼"));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(form->resultModel()->rowCount(), 0);
    // Enter shows the message box as it always did, the line unchanged.
    QTest::keyClick(icd9, Qt::Key_Return);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"ICD9碼「8455」查無對應的ICD10碼"});
    EXPECT_EQ(count->text(), QStringLiteral("ICD9碼「8455」查無對應的ICD10碼"));
}

// A long search (a name that is nowhere among 300,000 rows) is running when
// Enter asks for another: the first is stopped and the second runs.
TEST_F(SearchWindowTest, searchStartedWhileAnotherRuns_stopsTheFirst) {
    db.connection.exec(
        "INSERT INTO ICD10 WITH RECURSIVE n(v) AS (SELECT 1 UNION ALL SELECT v + 1 FROM n "
        "WHERE v < 300000) SELECT printf('B%06d', v), '名稱' || v, 'name', 'Y', '', '' FROM n");
    auto form = create();
    form->show();
    auto* name = child<QLineEdit>(form.get(), "chineseNameEdit");
    name->setText(QStringLiteral("無此名稱"));
    QTimer::singleShot(0, form.get(), [&] {
        name->setText(QStringLiteral("霍亂"));
        name->setFocus();
        QTest::keyClick(name, Qt::Key_Return);
    });
    form->search(form.get());
    EXPECT_EQ(form->searchesStarted(), 2);
    EXPECT_EQ(form->searchesStopped(), 1);
    EXPECT_NE(form->resultQuery().lines()[1].find("霍亂"), std::string::npos);
    EXPECT_EQ(codes(*form), (std::vector<std::string>{"A00", "A000", "A001", "A009"}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(SearchWindowTest, largeResult_countsItsRowsAndCtrlEndReachesTheLast) {
    db.connection.exec("INSERT INTO ICD10 WITH RECURSIVE n(v) AS (SELECT 1 UNION ALL SELECT v + 1 FROM n "
                       "WHERE v < 12000) SELECT printf('B%05d', v), '名稱', 'name', 'Y', '', '' FROM n");
    auto form = create();
    form->show();
    child<QCheckBox>(form.get(), "liveSearchBox")->setChecked(false);
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("B"));
    form->search(form.get());
    auto* count = child<QLabel>(form.get(), "rowCountLabel");
    EXPECT_LT(form->resultModel()->rowCount(), 12000); // the first screen at once
    EXPECT_TRUE(WaitFor([&] { return form->resultModel()->isComplete(); }));
    EXPECT_EQ(count->text(), QStringLiteral("共 12,000 筆"));
    // Again, pressing Ctrl+End before the background reading is done.
    form->search(form.get());
    EXPECT_FALSE(form->resultModel()->isComplete());
    auto* grid = child<QTableView>(form.get(), "resultGrid");
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->currentIndex().row(), 11999);
    EXPECT_EQ(child<QLabel>(form.get(), "currentCodeLabel")->text(), QStringLiteral("B12000"));
    EXPECT_EQ(count->text(), QStringLiteral("共 12,000 筆"));
}

TEST_F(SearchWindowTest, ctrlCAndTheMenuCopyTheDottedCode) {
    auto form = create();
    form->show();
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("S93"));
    form->search(form.get());
    auto* grid = child<QTableView>(form.get(), "resultGrid");
    grid->setFocus();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("S93.401A"));
    grid->setCurrentIndex(grid->model()->index(1, 0));
    QAction* both = nullptr;
    for (QAction* a : grid->actions())
        if (a->text() == QStringLiteral("複製代碼與名稱")) both = a;
    ASSERT_NE(both, nullptr);
    both->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("S93.401D 左側踝部扭傷,後續照護"));
    // With no row nothing is copied.
    form->clearCriteria();
    form->search(form.get());
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("S93.401D 左側踝部扭傷,後續照護"));
}

TEST_F(SearchWindowTest, characterOrderFallback_saysSoAboveTheGrid) {
    db.code("S93411A", "右側踝韌帶扭傷,初期照護", "Sprain of right ankle ligament", "Y");
    auto form = create();
    form->show();
    auto* grid = child<QTableView>(form.get(), "resultGrid");
    const QRect designed = grid->geometry();
    auto* note = child<QLabel>(form.get(), "fallbackNoteLabel");
    child<QLineEdit>(form.get(), "chineseNameEdit")->setText(QStringLiteral("踝扭傷"));
    form->search(form.get());
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(), QStringLiteral("找不到「踝扭傷」，以下為依序含「踝、扭、傷」的結果"));
    EXPECT_EQ(codes(*form), (std::vector<std::string>{"S93401A", "S93401D", "S93411A"}));
    EXPECT_EQ(grid->geometry().bottom(), designed.bottom());
    EXPECT_GE(grid->y(), note->geometry().bottom());
    const QByteArray dir = qgetenv("ICD_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        form->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/search-fallback.png"));
    // A search whose words are found hides the line and gives the grid its place back.
    child<QLineEdit>(form.get(), "chineseNameEdit")->setText(QStringLiteral("扭傷"));
    form->search(form.get());
    EXPECT_FALSE(note->isVisible());
    EXPECT_EQ(grid->geometry(), designed);
}

TEST_F(SearchWindowTest, tabReachesThePicturesInOrderAndSpaceReleasesThem) {
    auto form = create();
    form->showWindow();
    auto* edit4 = child<QLineEdit>(form.get(), "englishNameEdit");
    auto* search = child<app::ImageButton>(form.get(), "searchButton");
    EXPECT_EQ(edit4->nextInFocusChain(), search);
    std::vector<QString> order;
    QWidget* w = child<QWidget>(form.get(), "resultGrid");
    for (int i = 0; i < 2; ++i) {
        w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(form.get()))
            w = w->nextInFocusChain();
        order.push_back(w->objectName());
    }
    EXPECT_EQ(order, (std::vector<QString>{QStringLiteral("handOffButton"), QStringLiteral("closeButton")}));
    EXPECT_TRUE(search->focusPolicy() & Qt::TabFocus);
    EXPECT_TRUE(search->styleSheet().contains(QStringLiteral(":focus")));
    // Space on the focused search picture searches; on the close picture it closes.
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("A00"));
    search->setFocus();
    QTest::keyClick(search, Qt::Key_Space);
    EXPECT_EQ(codes(*form).size(), 4u);
    auto* close = child<app::ImageButton>(form.get(), "closeButton");
    close->setFocus();
    QTest::keyClick(close, Qt::Key_Space);
    EXPECT_TRUE(form->isHidden());
}

TEST_F(SearchWindowTest, screenshotsWhileTypingAndAtTheEndOfALargeResult) {
    const QByteArray dir = qgetenv("ICD_SCREENSHOT_DIR");
    const std::string full = testsupport::FullDatabasePath();
    if (dir.isEmpty() || full.empty())
        GTEST_SKIP() << "set ICD_SCREENSHOT_DIR and build the full-size database";
    ctx.connection.open(full);
    app::StartNamesIndex(ctx.connection); // as the program opens it
    ASSERT_TRUE(ctx.connection.waitForNamesIndex());
    auto form = std::make_unique<SearchWindow>(ctx);
    form->show();
    auto* edit = child<QLineEdit>(form.get(), "chineseNameEdit");
    edit->setFocus();
    for (QChar c : QStringLiteral("左踝 扭傷")) // as an input method commits them, one by one
        edit->insert(QString(c));
    ASSERT_TRUE(WaitFor([&] { return form->searchesStarted() == 1 && form->resultModel()->isComplete(); }));
    EXPECT_TRUE(form->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/search-typing.png")));
    form->clearCriteria();
    child<QLineEdit>(form.get(), "codeEdit")->setText(QStringLiteral("S"));
    ASSERT_TRUE(WaitFor([&] { return form->searchesStarted() == 2 && form->resultModel()->isComplete(); }));
    auto* grid = child<QTableView>(form.get(), "resultGrid");
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_GT(form->resultModel()->rowCount(), 40000);
    EXPECT_TRUE(form->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/search-end.png")));
}

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QClipboard>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/core/appcontext.h"
#include "app/core/handoff.h"
#include "app/widgets/billablechooser.h"
#include "app/widgets/imagebutton.h"
#include "app/widgets/look.h"
#include "db/query.h"
#include "tree/codetreeview.h"
#include "tree/tests/treedb.h"
#include "tree/treewindow.h"
#include "tree/treemodel.h"
#include "testsupport/controls.h"
#include "testsupport/fakes.h"

using namespace tree;

namespace {

class TreeWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = std::make_unique<testsupport::CodeDb>(ctx.connection);
        add("A00", "霍亂", "N");
        add("A000", "霍亂弧菌霍亂", "Y");
        add("A001", "愛爾托霍亂", "Y");
        add("A01", "傷寒", "N");
        add("A010", "傷寒", "N");
        add("A0100", "傷寒未明示", "Y");
        add("A09", "感染性腸胃炎", "Y");
    }
    void add(const std::string& no, const std::string& name, const std::string& flag) {
        db->code(no, name, "e", flag);
    }
    std::unique_ptr<TreeWindow> make(bool icd11 = false) {
        auto w = std::make_unique<TreeWindow>(ctx, icd11);
        return w;
    }
    static QString text(const QModelIndex& i) { return i.data().toString(); }
    static void release(app::ImageButton* picture) { QTest::mouseClick(picture, Qt::LeftButton); }
    // Index of the outline line with this range (searched through the whole tree).
    static QModelIndex find(const QAbstractItemModel* m, const QString& prefix,
                            const QModelIndex& parent = {}) {
        for (int r = 0; r < m->rowCount(parent); ++r) {
            QModelIndex i = m->index(r, 0, parent);
            if (text(i).trimmed().startsWith(prefix)) return i;
            QModelIndex below = find(m, prefix, i);
            if (below.isValid()) return below;
        }
        return {};
    }

    std::unique_ptr<testsupport::CodeDb> db; // outlives the context's connection
    testsupport::RecordingMessages messages;
    testsupport::FakeDesktop desktop;
    app::AppContext ctx{messages, desktop};
};

} // namespace

TEST_F(TreeWindowTest, creation_captionsByMode_outlineViewEmpty_handOffHiddenWithoutConsultation) {
    auto w = make(false);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("ICD-10樹狀瀏覽"));
    EXPECT_EQ(w->codeLabel()->text(), QStringLiteral("ICD10碼"));
    EXPECT_EQ(w->size(), QSize(704, 501));
    EXPECT_NE(w->minimumSize(), w->maximumSize()); // resizable
    EXPECT_FALSE(w->outlineTree()->isHidden());
    EXPECT_TRUE(w->resultTree()->isHidden());
    EXPECT_TRUE(w->backButton()->isHidden());
    EXPECT_TRUE(w->simplifiedButton()->isHidden());
    EXPECT_TRUE(w->handOffButton()->isHidden());
    EXPECT_EQ(w->outlineModel()->rowCount(), 0);
    EXPECT_TRUE(w->codeEdit()->text().isEmpty());
    // The code box is pink, as every box that searches.
    EXPECT_EQ(w->codeEdit()->palette().color(QPalette::Base), app::look::kFilterPink);
    EXPECT_EQ(testsupport::NamesOutOfCase(w.get()), std::vector<std::string>{});

    desktop.windows.push_back({7, app::ConsultationWindowTitle});
    auto w11 = make(true);
    EXPECT_EQ(w11->windowTitle(), QStringLiteral("中醫ICD-11樹狀瀏覽"));
    EXPECT_EQ(w11->codeLabel()->text(), QStringLiteral("ICD11碼"));
    EXPECT_FALSE(w11->handOffButton()->isHidden());
}

TEST_F(TreeWindowTest, consultationStartedLaterOrClosed_thePictureFollowsAtEachShowing_theHandOffSaysSo) {
    auto w = make();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    EXPECT_TRUE(w->handOffButton()->isHidden());
    w->codeEdit()->setText(QStringLiteral("A00"));
    w->showButton()->click();
    const QAbstractItemModel* r = w->resultModel();
    w->resultTree()->setFocus();
    w->resultTree()->setCurrentIndex(r->index(0, 0, r->index(0, 0))); // A000, finest
    QTest::keyClick(w->resultTree(), Qt::Key_F2); // the key works without the picture, and says why not
    EXPECT_EQ(messages.shown, std::vector<std::string>{app::ConsultationMissingMessage});
    EXPECT_FALSE(desktop.clipboard.has_value());

    desktop.windows.push_back({7, app::ConsultationWindowTitle});
    w->close();
    w->showWindow();
    EXPECT_FALSE(w->handOffButton()->isHidden());
    desktop.windows.back().open = false;
    w->checkHandOff(); // as an activation does
    EXPECT_TRUE(w->handOffButton()->isHidden());
}

TEST_F(TreeWindowTest, enlarged_theTreesTakeTheRoom_theClosePictureStaysAtTheBottom) {
    auto w = make();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    EXPECT_TRUE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    const QSize tree = w->outlineTree()->size();
    EXPECT_EQ(w->closeButton()->y(), 441);
    w->resize(1000, 760);
    QTest::qWait(20);
    EXPECT_EQ(w->outlineTree()->width(), tree.width() + 296);
    EXPECT_EQ(w->outlineTree()->height(), tree.height() + 259);
    EXPECT_EQ(w->closeButton()->geometry().bottom(), 759);
    w->resize(200, 100); // never smaller than it opens
    EXPECT_EQ(w->size(), QSize(704, 501));
    EXPECT_EQ(w->closeButton()->y(), 441);
}

TEST_F(TreeWindowTest, doubleClickOnACodeHandsItOff_onAHeaderOffersTheChooser_onTheBlockRootFolds) {
    desktop.windows.push_back({7, app::ConsultationWindowTitle});
    auto w = make();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->codeEdit()->setText(QStringLiteral("A00-A09"));
    w->showButton()->click();
    const QAbstractItemModel* r = w->resultModel();
    CodeTreeView* view = w->resultTree();
    const QModelIndex root = r->index(0, 0);
    const QModelIndex a00 = r->index(0, 0, root);
    view->expand(a00);
    auto doubleClick = [&](const QModelIndex& i) {
        const QPoint at = view->visualRect(i).center() + QPoint(20, 0);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    };
    doubleClick(r->index(1, 0, a00)); // A001, finest
    EXPECT_EQ(desktop.clipboard.value_or(""), "|ICD10|A001");
    EXPECT_TRUE(view->isExpanded(a00));

    doubleClick(a00); // a header: the message, then its billable codes to choose from
    EXPECT_EQ(messages.shown, std::vector<std::string>{"非最細碼無法使用"});
    app::BillableChooser* chooser = nullptr;
    for (auto* c : w->findChildren<app::BillableChooser*>())
        if (c->isVisible()) chooser = c;
    ASSERT_NE(chooser, nullptr);
    chooser->reject();
    EXPECT_TRUE(view->isExpanded(a00)) << "the double-click handed off instead of folding";

    // The block root is no code: a double-click folds it as before.
    ASSERT_TRUE(view->isExpanded(root));
    doubleClick(root);
    EXPECT_FALSE(view->isExpanded(root));
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(TreeWindowTest, nodeTooltips_giveTheCodeWithItsChineseAndEnglishNames) {
    auto w = make();
    w->onActivated();
    w->codeEdit()->setText(QStringLiteral("A00-A09"));
    w->showButton()->click();
    const QAbstractItemModel* r = w->resultModel();
    const QModelIndex a00 = r->index(0, 0, r->index(0, 0));
    EXPECT_EQ(r->index(0, 0, a00).data(Qt::ToolTipRole).toString(), QStringLiteral("A00.0\n霍亂弧菌霍亂\ne"));
    EXPECT_EQ(r->index(0, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("A00-A09:腸道傳染病"));
    const QAbstractItemModel* o = w->outlineModel();
    EXPECT_EQ(o->index(0, 0, o->index(0, 0)).data(Qt::ToolTipRole).toString().left(8),
              QStringLiteral("A00-B99:"));
}

TEST_F(TreeWindowTest, activation_setsWindowNumberAndRebuildsTheOutlineFolded) {
    auto w = make(false);
    w->onActivated();
    EXPECT_EQ(ctx.activeWindowNo, 3);
    const QAbstractItemModel* m = w->outlineModel();
    ASSERT_EQ(m->rowCount(), 1);
    EXPECT_EQ(text(m->index(0, 0)), QStringLiteral("2023 ICD-10-CM"));
    EXPECT_EQ(m->rowCount(m->index(0, 0)), 22);
    EXPECT_TRUE(w->outlineTree()->isExpanded(m->index(0, 0)));
    EXPECT_FALSE(w->outlineTree()->isExpanded(m->index(0, 0, m->index(0, 0))));
    EXPECT_TRUE(w->nodeToggled()); // the root's expansion counts

    auto w11 = make(true);
    w11->onActivated();
    EXPECT_EQ(text(w11->outlineModel()->index(0, 0)), QStringLiteral("ICD-11-CM"));
    EXPECT_EQ(w11->outlineModel()->rowCount(w11->outlineModel()->index(0, 0)), 2);

    w->close();
    EXPECT_EQ(ctx.activeWindowNo, 0);
}

TEST_F(TreeWindowTest, keyShorterThanTwo_messageAndNothingChanges) {
    auto w = make();
    w->onActivated();
    for (const char* typed : {"", "a", "  A \t", "."}) {
        w->codeEdit()->setText(QString::fromUtf8(typed));
        w->showButton()->click();
    }
    ASSERT_EQ(messages.shown.size(), 4u);
    EXPECT_EQ(messages.shown[0], "至少要兩碼才可以查詢");
    EXPECT_TRUE(w->resultTree()->isHidden());
    EXPECT_FALSE(w->outlineTree()->isHidden());
    EXPECT_EQ(w->resultModel()->rowCount(), 0);
}

TEST_F(TreeWindowTest, display_prefixWithBlanksAndDot_resultViewWithFirstNodeExpanded) {
    auto w = make();
    w->onActivated();
    w->codeEdit()->setText(QStringLiteral("  a00.0 "));
    w->showButton()->click();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(w->resultTree()->isHidden());
    EXPECT_TRUE(w->outlineTree()->isHidden());
    EXPECT_FALSE(w->backButton()->isHidden());
    const QAbstractItemModel* m = w->resultModel();
    ASSERT_EQ(m->rowCount(), 1);
    EXPECT_EQ(text(m->index(0, 0)), QStringLiteral("A000 霍亂弧菌霍亂"));

    w->codeEdit()->setText(QStringLiteral("A0"));
    w->showButton()->click();
    ASSERT_EQ(m->rowCount(), 3);
    EXPECT_TRUE(w->resultTree()->isExpanded(m->index(0, 0)));
    EXPECT_FALSE(w->resultTree()->isExpanded(m->index(1, 0)));
}

TEST_F(TreeWindowTest, outlineClicks_leafOpensItsBlock_parentOnlySelects_toggleClickIgnored) {
    auto w = make();
    w->onActivated();
    CodeTreeView* outline = w->outlineTree();
    const QAbstractItemModel* m = w->outlineModel();

    // Right after the rebuild, the first click only clears the flag.
    const QModelIndex leaf = find(m, QStringLiteral("A00-A09:"));
    ASSERT_TRUE(leaf.isValid());
    outline->setCurrentIndex(leaf);
    w->outlineTreeClicked();
    EXPECT_FALSE(w->nodeToggled());
    EXPECT_TRUE(w->codeEdit()->text().isEmpty());

    // A node with children: selected, nothing else.
    outline->setCurrentIndex(m->index(0, 0, m->index(0, 0)));
    w->outlineTreeClicked();
    EXPECT_TRUE(w->codeEdit()->text().isEmpty());
    EXPECT_TRUE(w->resultTree()->isHidden());

    // An expansion sets the flag; the click that follows does nothing else.
    outline->expand(m->index(1, 0, m->index(0, 0)));
    EXPECT_TRUE(w->nodeToggled());
    outline->setCurrentIndex(leaf);
    w->outlineTreeClicked();
    EXPECT_FALSE(w->nodeToggled());
    EXPECT_TRUE(w->codeEdit()->text().isEmpty());

    // Now the leaf opens its block.
    w->outlineTreeClicked();
    EXPECT_EQ(w->codeEdit()->text(), QStringLiteral("A00-A09"));
    EXPECT_FALSE(w->resultTree()->isHidden());
    const QAbstractItemModel* r = w->resultModel();
    ASSERT_EQ(r->rowCount(), 1);
    EXPECT_EQ(text(r->index(0, 0)), QStringLiteral(" A00-A09:腸道傳染病"));
    EXPECT_EQ(r->rowCount(r->index(0, 0)), 3); // A00, A01, A09
    EXPECT_TRUE(w->resultTree()->isExpanded(r->index(0, 0)));

    // No selected node: a click does nothing but clear the flag.
    w->rebuildOutline();
    w->outlineTreeClicked();
    w->outlineTreeClicked();
    EXPECT_EQ(w->codeEdit()->text(), QStringLiteral("A00-A09"));
}

TEST_F(TreeWindowTest, mouseOnGlyphExpandsWithoutOpening_mouseOnLeafOpens) {
    auto w = make();
    w->show();
    QApplication::processEvents(); // let the activation of the new window pass first
    w->onActivated();
    CodeTreeView* outline = w->outlineTree();
    const QAbstractItemModel* m = w->outlineModel();
    const QModelIndex chapter1 = m->index(0, 0, m->index(0, 0));
    w->setNodeToggled(false);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {},
                      outline->visualRect(chapter1).topLeft() + QPoint(8, 8));
    EXPECT_TRUE(outline->isExpanded(chapter1));
    EXPECT_FALSE(w->nodeToggled()); // set by the glyph, cleared by the release
    EXPECT_TRUE(w->codeEdit()->text().isEmpty());
    EXPECT_FALSE(outline->currentIndex().isValid()); // a glyph does not select

    const QModelIndex bacterial = m->index(0, 0, chapter1);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {},
                      outline->visualRect(bacterial).topLeft() + QPoint(8, 8));
    const QModelIndex block = m->index(0, 0, bacterial);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(block).center());
    EXPECT_EQ(w->codeEdit()->text(), QStringLiteral("A00-A09"));
    EXPECT_FALSE(w->resultTree()->isHidden());
}

TEST_F(TreeWindowTest, pictures_backKeepsOutline_homeFolds_expandAndCollapseTheShownTreeOnly) {
    auto w = make();
    w->show();
    QApplication::processEvents(); // let the activation of the new window pass first
    w->onActivated();
    CodeTreeView* outline = w->outlineTree();
    const QAbstractItemModel* m = w->outlineModel();
    const QModelIndex chapter1 = m->index(0, 0, m->index(0, 0));
    outline->expand(chapter1);

    w->codeEdit()->setText(QStringLiteral("A0"));
    w->showButton()->click();
    release(w->expandAllButton()); // expands the result tree only
    const QAbstractItemModel* r = w->resultModel();
    EXPECT_TRUE(w->resultTree()->isExpanded(r->index(0, 0, r->index(1, 0))));
    EXPECT_FALSE(outline->isExpanded(m->index(0, 0, chapter1)));

    release(w->backButton()); // back: the outline as it was left
    EXPECT_TRUE(w->resultTree()->isHidden());
    EXPECT_TRUE(w->backButton()->isHidden());
    EXPECT_FALSE(outline->isHidden());
    EXPECT_TRUE(outline->isExpanded(chapter1));
    EXPECT_EQ(r->rowCount(), 3); // the results stay behind

    w->setNodeToggled(false);
    release(w->expandAllButton());
    EXPECT_TRUE(outline->isExpanded(m->index(0, 0, chapter1)));
    EXPECT_TRUE(w->nodeToggled());
    w->setNodeToggled(false);
    release(w->collapseAllButton());
    EXPECT_FALSE(outline->isExpanded(m->index(0, 0)));
    EXPECT_TRUE(w->nodeToggled());
    EXPECT_TRUE(w->resultTree()->isExpanded(r->index(1, 0))); // the hidden tree keeps its state

    outline->expandAll();
    release(w->outlineButton()); // home: rebuilt, folded
    EXPECT_TRUE(outline->isExpanded(m->index(0, 0)));
    EXPECT_FALSE(outline->isExpanded(m->index(0, 0, m->index(0, 0))));

    release(w->closeButton());
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(ctx.activeWindowNo, 0);
}

TEST_F(TreeWindowTest, handOff_onlyFromAFocusedResultTree_finestCodesOnly) {
    desktop.windows.push_back({7, app::ConsultationWindowTitle});
    auto w = make();
    w->show();
    QApplication::processEvents(); // let the activation of the new window pass first
    w->onActivated();
    w->codeEdit()->setText(QStringLiteral("A00"));
    w->showButton()->click();
    const QAbstractItemModel* r = w->resultModel();
    w->resultTree()->setCurrentIndex(r->index(0, 0, r->index(0, 0))); // A000, finest

    w->codeEdit()->setFocus();
    release(w->handOffButton());
    EXPECT_FALSE(desktop.clipboard.has_value());
    EXPECT_TRUE(messages.shown.empty());

    w->resultTree()->setFocus();
    release(w->handOffButton());
    EXPECT_EQ(desktop.clipboard.value_or(""), "|ICD10|A000");
    EXPECT_EQ(desktop.actions, (std::vector<std::string>{"front:7", "restore:7"}));

    w->resultTree()->setCurrentIndex(r->index(0, 0)); // A00, not finest
    release(w->handOffButton());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], "非最細碼無法使用");

    // The block root's first word is no code either.
    w->codeEdit()->setText(QStringLiteral("A00-A09"));
    w->showButton()->click();
    w->resultTree()->setFocus();
    w->resultTree()->setCurrentIndex(r->index(0, 0));
    release(w->handOffButton());
    EXPECT_EQ(messages.shown.size(), 2u);

    // A prefix matching nothing: a node with a single blank.
    w->codeEdit()->setText(QStringLiteral("Q9"));
    w->showButton()->click();
    w->resultTree()->setFocus();
    w->resultTree()->setCurrentIndex(r->index(0, 0));
    EXPECT_EQ(text(r->index(0, 0)), QStringLiteral(" "));
    release(w->handOffButton());
    EXPECT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(desktop.clipboard.value_or(""), "|ICD10|A000");
}

TEST_F(TreeWindowTest, engineError_showsTheEngineMessageAndKeepsTheWindow) {
    auto w = make();
    w->onActivated();
    ctx.connection.exec("DROP TABLE ICD10");
    w->codeEdit()->setText(QStringLiteral("A00"));
    w->showButton()->click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find("ICD10"), std::string::npos);
    EXPECT_EQ(w->resultModel()->rowCount(), 0);
    w->showSimplified();
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(TreeWindowTest, hiddenSimplifiedDisplay_fillsTheResultTreeWithoutChangingTheView) {
    auto w = make();
    w->onActivated();
    w->codeEdit()->setText(QStringLiteral("A01"));
    w->showSimplified();
    EXPECT_TRUE(w->resultTree()->isHidden());
    const QAbstractItemModel* r = w->resultModel();
    ASSERT_EQ(r->rowCount(), 1);
    EXPECT_EQ(text(r->index(0, 0)), QStringLiteral("A01 傷寒"));
    EXPECT_EQ(text(r->index(0, 0, r->index(0, 0, r->index(0, 0)))), QStringLiteral("A0100 傷寒未明示"));
    EXPECT_FALSE(w->resultTree()->isExpanded(r->index(0, 0)));
}

TEST_F(TreeWindowTest, nodeDrawing_navySelectionOnlyBehindText_glyphForParentsOnly) {
    auto w = make();
    w->show();
    QApplication::processEvents(); // let the activation of the new window pass first
    w->onActivated();
    w->codeEdit()->setText(QStringLiteral("A0"));
    w->showButton()->click();
    CodeTreeView* view = w->resultTree();
    const QAbstractItemModel* r = w->resultModel();
    view->setCurrentIndex(r->index(1, 0)); // A01, folded, has children
    const QImage img = view->viewport()->grab().toImage();

    const QRect a01 = view->visualRect(r->index(1, 0));
    const QColor navy(0, 0, 128), yellow(255, 255, 192);
    // Behind the text: navy; beyond the text: the tree's light yellow.
    EXPECT_EQ(img.pixelColor(a01.left() + TreeIndent + 1, a01.top() + 1), navy);
    EXPECT_EQ(img.pixelColor(view->viewport()->width() - 3, a01.top() + 1), yellow);
    // The glyph's grey frame stands in the first 21 pixels.
    bool grey = false;
    for (int x = a01.left(); x < a01.left() + GlyphSize; ++x)
        if (img.pixelColor(x, a01.top() + 5).red() < 200) grey = true;
    EXPECT_TRUE(grey);

    // A leaf (A000): no glyph, yellow text ground.
    const QRect a000 = view->visualRect(r->index(0, 0, r->index(0, 0)));
    for (int x = a000.left(); x < a000.left() + GlyphSize; ++x)
        EXPECT_EQ(img.pixelColor(x, a000.top() + 5), yellow) << x;
    EXPECT_EQ(img.pixelColor(a000.left() + TreeIndent + 1, a000.top() + 1), yellow);
}

TEST_F(TreeWindowTest, activation_fromAnotherWindowRebuilds_afterAMessageBoxOrAnotherProgramKeepsTheResults) {
    auto w = make();
    QWidget menu;
    menu.show();
    w->show();
    QApplication::processEvents(); // let the activation of the new window pass first
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(w->isActiveWindow());
    EXPECT_EQ(ctx.activeWindowNo, 3);
    EXPECT_EQ(w->outlineModel()->rowCount(), 1);

    w->codeEdit()->setText(QStringLiteral("A0"));
    w->showButton()->click();
    ASSERT_FALSE(w->resultTree()->isHidden());

    // A message box of the program comes and goes: the results stay.
    QDialog box(w.get());
    box.setModal(true);
    box.show();
    QApplication::setActiveWindow(&box);
    box.hide();
    QApplication::setActiveWindow(w.get());
    EXPECT_FALSE(w->resultTree()->isHidden());

    // Another program had the focus meanwhile: the results stay.
    QApplication::setActiveWindow(nullptr);
    ctx.activeWindowNo = 0;
    QApplication::setActiveWindow(w.get());
    EXPECT_FALSE(w->resultTree()->isHidden());
    EXPECT_EQ(ctx.activeWindowNo, 3);

    // Back from the main menu: a new activation rebuilds the outline.
    QApplication::setActiveWindow(&menu);
    QApplication::setActiveWindow(w.get());
    EXPECT_TRUE(w->resultTree()->isHidden());
    EXPECT_FALSE(w->outlineTree()->isHidden());
    EXPECT_EQ(w->resultModel()->rowCount(), 3); // kept while hidden
}

TEST_F(TreeWindowTest, handOffOfAHeader_offersItsBillableCodesAndHandsOffTheChosenOne_alsoOnF2) {
    desktop.windows.push_back({7, app::ConsultationWindowTitle});
    auto w = make();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    EXPECT_TRUE(w->handOffButton()->toolTip().contains(QStringLiteral("F2")));
    w->codeEdit()->setText(QStringLiteral("A0"));
    w->showButton()->click();
    const QAbstractItemModel* r = w->resultModel();
    const QModelIndex a01 = find(r, QStringLiteral("A01"));
    ASSERT_TRUE(a01.isValid());
    w->resultTree()->setFocus();
    w->resultTree()->setCurrentIndex(a01);
    auto chooser = [&] { return w->findChild<app::BillableChooser*>(); };

    release(w->handOffButton());
    EXPECT_EQ(messages.shown, std::vector<std::string>{"非最細碼無法使用"});
    ASSERT_NE(chooser(), nullptr);
    ASSERT_EQ(chooser()->list()->topLevelItemCount(), 1); // A0100: a level skipped
    EXPECT_EQ(chooser()->currentCode(), QStringLiteral("A0100"));
    QTest::keyClick(chooser()->filterBox(), Qt::Key_Return);
    EXPECT_EQ(desktop.clipboard.value_or(""), "|ICD10|A0100");
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(chooser(), nullptr);

    // F2 in the focused result tree: the chooser at once, without the message.
    const QModelIndex a00 = find(r, QStringLiteral("A00 "));
    ASSERT_TRUE(a00.isValid());
    QApplication::setActiveWindow(w.get());
    w->resultTree()->setFocus();
    w->resultTree()->setCurrentIndex(a00);
    QTest::keyClick(w->resultTree(), Qt::Key_F2);
    ASSERT_NE(chooser(), nullptr);
    EXPECT_EQ(messages.shown.size(), 1u);
    QTest::keyClick(chooser()->filterBox(), Qt::Key_Down);
    QTest::keyClick(chooser()->filterBox(), Qt::Key_Return);
    EXPECT_EQ(desktop.clipboard.value_or(""), "|ICD10|A001");
}

TEST_F(TreeWindowTest, guide_theCurrentNodeOfEitherTreeIsReported_F1ShowsTheNotesOfTheTreeShown) {
    testsupport::RecordingGuide guide;
    ctx.guide = &guide;
    auto w = make();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->onActivated(); // the outline tree
    const QModelIndex block = find(w->outlineModel(), QStringLiteral("A00-A09"));
    ASSERT_TRUE(block.isValid());
    w->outlineTree()->setCurrentIndex(block);
    ASSERT_FALSE(guide.selected.empty());
    EXPECT_EQ(guide.selected.back(), "A00-A09");
    QTest::keyClick(w->outlineTree(), Qt::Key_F1);
    EXPECT_EQ(guide.notes, std::vector<std::string>{"A00-A09"});

    w->codeEdit()->setText(QStringLiteral("A0"));
    w->showButton()->click();
    w->resultTree()->setFocus();
    w->resultTree()->setCurrentIndex(find(w->resultModel(), QStringLiteral("A001")));
    EXPECT_EQ(guide.selected.back(), "A001");
    QTest::keyClick(w->resultTree(), Qt::Key_Down);
    EXPECT_EQ(guide.selected.back(), "A01");
    QTest::keyClick(w->resultTree(), Qt::Key_F1);
    EXPECT_EQ(guide.notes.back(), "A01");
    ctx.guide = nullptr;
}

TEST_F(TreeWindowTest, keys_enterInTheCodeBoxShowsTheTree_escapeCloses) {
    auto w = make();
    w->show();
    ctx.activeWindowNo = 3;
    w->codeEdit()->setText(QStringLiteral("A01"));
    QTest::keyClick(w->codeEdit(), Qt::Key_Return);
    EXPECT_FALSE(w->resultTree()->isHidden());
    EXPECT_EQ(text(w->resultModel()->index(0, 0)).left(3), QStringLiteral("A01"));
    // As 顯示: a key too short gets its message.
    w->codeEdit()->setText(QStringLiteral("A"));
    QTest::keyClick(w->codeEdit(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"至少要兩碼才可以查詢"});

    for (QWidget* from : std::initializer_list<QWidget*>{w->codeEdit(), w->resultTree()}) {
        w->show();
        QTest::keyClick(from, Qt::Key_Escape);
        EXPECT_FALSE(w->isVisible());
        EXPECT_EQ(ctx.activeWindowNo, 0);
    }
}

TEST_F(TreeWindowTest, opensWithTheFocusInTheCodeBox) {
    auto w = make();
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    EXPECT_EQ(QApplication::focusWidget(), w->codeEdit());
}

TEST_F(TreeWindowTest, ctrlC_copiesTheSelectedNodesDottedCode) {
    auto w = make();
    w->show();
    w->codeEdit()->setText(QStringLiteral("A00"));
    w->showButton()->click();
    const QAbstractItemModel* r = w->resultModel();
    w->resultTree()->setCurrentIndex(r->index(0, 0, r->index(0, 0))); // A000
    w->resultTree()->setFocus();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(w->resultTree(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("A00.0"));
    // A node that is no code (nothing found) copies nothing.
    w->codeEdit()->setText(QStringLiteral("Q9"));
    w->showButton()->click();
    w->resultTree()->setCurrentIndex(r->index(0, 0));
    QTest::keyClick(w->resultTree(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("A00.0"));
}

#include "app/widgets/workingwindow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/core/handoff.h"
#include "app/widgets/imagebutton.h"
#include "app/widgets/qtmessages.h"
#include "app/widgets/translations.h"
#include "db/error.h"
#include "testsupport/fakes.h"

using namespace app;

namespace {

// A working window whose handlers the test runs directly.
class Window : public WorkingWindow {
public:
    explicit Window(AppContext& context) : WorkingWindow(context, SearchWindowNo) {}
    using WorkingWindow::guarded;
    using WorkingWindow::showMessage;
    // A hand-off picture in a row with another widget, as the windows lay them out.
    void addHandOffPicture() {
        auto* row = new QHBoxLayout(this);
        row->addWidget(handOff = new ImageButton(this));
        row->addWidget(beside = new QLabel(QStringLiteral("beside"), this));
        handOff->setFixedSize(30, 30);
        setHandOffWidgets({handOff});
    }
    ImageButton* handOff = nullptr;
    QLabel* beside = nullptr;
};

// Records the order of what happened: the undo step and the messages.
class LogMessages : public Messages {
public:
    explicit LogMessages(std::vector<std::string>& log) : m_log(log) {}
    void show(const std::string& text) override { m_log.push_back("message:" + text); }

private:
    std::vector<std::string>& m_log;
};

} // namespace

TEST(WorkingWindow, guardedWork_showsTheErrorAfterUndoing_andTellsWhetherItRan) {
    std::vector<std::string> log;
    LogMessages messages(log);
    testsupport::FakeDesktop desktop;
    AppContext context(messages, desktop);
    Window w(context);

    EXPECT_TRUE(w.guarded([&] { log.push_back("work"); }, [&] { log.push_back("undo"); }));
    EXPECT_EQ(log, std::vector<std::string>{"work"});

    log.clear();
    EXPECT_FALSE(w.guarded([] { throw db::Error("no such table: ICD10"); }, [&] { log.push_back("undo"); }));
    EXPECT_EQ(log, (std::vector<std::string>{"undo", "message:no such table: ICD10"}));

    // Any error, not only the engine's, ends the work the same way.
    log.clear();
    EXPECT_FALSE(w.guarded([] { throw std::runtime_error("Cannot open file /x/qa.txt"); }));
    EXPECT_EQ(log, std::vector<std::string>{"message:Cannot open file /x/qa.txt"});
}

TEST(WorkingWindow, contextWithoutServices_acceptsMessagesAndFindsNoConsultationWindow) {
    AppContext context;
    Window w(context);
    w.showMessage("x");
    EXPECT_FALSE(w.guarded([] { throw db::Error("e"); }));
    EXPECT_FALSE(context.desktop.findTopLevelWindow(ConsultationWindowTitle).has_value());
}

TEST(WorkingWindow, loadPicture_rendersTheArtworkAtTheButtonsSize) {
    ImageButton button;
    button.resize(60, 40);
    LoadPicture(&button, QStringLiteral(":/assets/common/close.svg"));
    ASSERT_EQ(button.picture().size(), QSize(60, 40));
    EXPECT_NE(button.picture().toImage().pixelColor(30, 20), QColor(Qt::gray));
    ImageButton missing;
    missing.resize(30, 30);
    LoadPicture(&missing, QStringLiteral(":/assets/none.svg"));
    // A missing picture shows grey, so the fault is seen.
    EXPECT_EQ(missing.picture().toImage().pixelColor(15, 15), QColor(Qt::gray));
}

TEST(WorkingWindow, handOffPicturesFollowTheConsultationWindowAtEachShowingAndActivation) {
    testsupport::FakeDesktop desktop;
    AppContext context(NullMessages::Instance(), desktop);
    Window w(context);
    w.addHandOffPicture();
    // Not running when the window is made: hidden, its place kept.
    EXPECT_TRUE(w.handOff->isHidden());
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_TRUE(w.handOff->isHidden());
    EXPECT_FALSE(w.handOffOffered());
    const int besideX = w.beside->x();

    // Started later: the next activation shows the picture.
    desktop.windows.push_back({4, ConsultationWindowTitle});
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_TRUE(w.handOff->isVisible());
    EXPECT_TRUE(w.handOffOffered());
    EXPECT_EQ(w.beside->x(), besideX);

    // Closed while the window is hidden: the next showing hides the picture.
    w.close();
    desktop.windows.back().open = false;
    w.show();
    EXPECT_TRUE(w.handOff->isHidden());
    // Back again while it is shown: a look now (as activation does) shows it.
    desktop.windows.back().open = true;
    w.checkHandOff();
    EXPECT_TRUE(w.handOff->isVisible());
}

TEST(MessageBoxes, wideEnoughForTheirCaption_andQtsOwnButtonsInChinese) {
    const bool translated = LoadQtTranslations(*QApplication::instance());
    const QString caption = QStringLiteral("ICD-10-CM 2023 中醫編碼參考與教學系統");
    std::unique_ptr<QMessageBox> box(NewMessageBox(nullptr, caption, QStringLiteral("非最細碼無法使用")));
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    EXPECT_GE(box->width(), box->fontMetrics().horizontalAdvance(caption) + 60);
    box->close();
    ASSERT_TRUE(translated) << "Qt's zh_TW translations are not installed (Debian: qt6-translations-l10n)";
    EXPECT_EQ(box->button(QMessageBox::Ok)->text(), QStringLiteral("確定"));
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
}

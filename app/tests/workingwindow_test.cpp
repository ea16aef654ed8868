#include "app/widgets/workingwindow.h"

#include <QImage>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/widgets/imagebutton.h"
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

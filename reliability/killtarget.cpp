// The program's start-up, run as its own process so that the writer tests can
// kill it at any moment: the main menu opens the database (converting a Jet
// file on the way) and creates the working windows, exactly as the program
// does. With "rank-button" the search window's hidden ranking button is then
// clicked. Every message the program would show goes to standard error; the
// exit status is 0 only when none was shown.
//
//   reliability_killtarget start|rank-button EXE_PATH
//
// EXE_PATH stands for the executable: the database is looked for beside it.
#include <QApplication>
#include <QPushButton>

#include <cstdio>
#include <cstring>

#include "app/core/appcontext.h"
#include "app/core/messages.h"
#include "program/mainmenu.h"
#include "outline/outlinewindow.h"
#include "quiz/quizwindow.h"
#include "search/searchwindow.h"
#include "tree/treewindow.h"
#include "testsupport/fakes.h"

namespace {

class StderrMessages : public app::Messages {
public:
    void show(const std::string& text) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++count;
    }
    int count = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "start") != 0 && std::strcmp(argv[1], "rank-button") != 0)) {
        std::fprintf(stderr, "usage: reliability_killtarget start|rank-button EXE_PATH\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    StderrMessages messages;
    testsupport::FakeDesktop desktop; // no other program's window is ever looked for here
    app::AppContext context(messages, desktop);

    program::MenuSetup setup;
    setup.executablePath = argv[2];
    setup.createOutlineWindow = program::MakeBrowser<outline::OutlineWindow>;
    setup.createTreeWindow = program::MakeBrowser<tree::TreeWindow>;
    setup.createQuizWindow = program::MakeWindow<quiz::QuizWindow>;
    setup.createSearchWindow = program::MakeWindow<search::SearchWindow>;
    setup.quit = [] {};

    program::MainMenu menu(context, std::move(setup));
    menu.createWorkingWindows();
    if (menu.terminationRequested()) return 1;
    if (std::strcmp(argv[1], "rank-button") == 0) {
        auto* button = menu.searchWindow()->findChild<QPushButton*>(QStringLiteral("buildRankingButton"));
        if (!button) {
            std::fprintf(stderr, "the search window has no ranking button\n");
            return 3;
        }
        button->click();
    }
    std::printf("started\n");
    return messages.count == 0 ? 0 : 1;
}

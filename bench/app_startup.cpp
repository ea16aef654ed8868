// Start-up as the program does it, from opening the database to the main menu
// being on the screen: the menu opening the database, the four working windows created
// (their creation handlers run), the menu shown and exposed. Runs on Qt's
// offscreen platform unless QT_QPA_PLATFORM names another (xcb under Xvfb).
#include <filesystem>

#include <QApplication>
#include <QWindow>
#include <benchmark/benchmark.h>

#include "program/mainmenu.h"
#include "app/widgets/pictures.h"
#include "benchsupport.h"
#include "outline/outlinewindow.h"
#include "quiz/quizwindow.h"
#include "search/searchwindow.h"
#include "tree/treewindow.h"
#include "testsupport/fakes.h"

namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "bench_app";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
    app::RegisterFontSubstitutions();
}

// exeDir: the folder that holds icd10_2023.mdb, as if the program were there.
void StartUpToMenuShown(benchmark::State& state, const std::string& exeDir) {
    EnsureApplication();
    if (!std::filesystem::exists(std::filesystem::path(exeDir) / "icd10_2023.mdb")) {
        state.SkipWithError("no database in this folder (the full-size one needs ../shared/data)");
        return;
    }
    for (auto _ : state) {
        auto messages = std::make_unique<testsupport::RecordingMessages>();
        auto context = std::make_unique<app::AppContext>(*messages, app::NullDesktop::Instance());
        program::MenuSetup setup;
        setup.executablePath = exeDir + "/icd10tcm";
        setup.createOutlineWindow = program::MakeBrowser<outline::OutlineWindow>;
        setup.createTreeWindow = program::MakeBrowser<tree::TreeWindow>;
        setup.createQuizWindow = program::MakeWindow<quiz::QuizWindow>;
        setup.createSearchWindow = program::MakeWindow<search::SearchWindow>;
        auto menu = std::make_unique<program::MainMenu>(*context, std::move(setup));
        menu->createWorkingWindows();
        menu->show();
        while (!menu->windowHandle() || !menu->windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::processEvents();

        state.PauseTiming(); // tearing down is not part of the start-up
        const bool failed = !messages->shown.empty();
        if (failed) state.SkipWithError(messages->shown.front().c_str());
        menu.reset();
        context.reset();
        state.ResumeTiming();
        if (failed) break;
    }
}

const bool registered = [] {
    benchmark::RegisterBenchmark("StartUpToMenuShown/sample", StartUpToMenuShown,
                                 std::string(ICD_BINARY_DIR) + "/bin")
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("StartUpToMenuShown/fullsize", StartUpToMenuShown,
                                 std::string(ICD_BINARY_DIR) + "/fulldata")
        ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace

// Start-up as the program does it, from opening the database to the main menu
// being on the screen: FormCreate (database), the four working windows created
// (their creation handlers run), the menu shown and exposed. Runs on Qt's
// offscreen platform unless QT_QPA_PLATFORM names another (xcb under Xvfb).
#include <filesystem>

#include <QApplication>
#include <QWindow>
#include <benchmark/benchmark.h>

#include "app/menu/tformkelvara.h"
#include "app/widgets/pictures.h"
#include "benchsupport.h"
#include "outline/tform2.h"
#include "quiz/tform4.h"
#include "search/tform5.h"
#include "tree/tform3.h"

namespace {

template <class Form> std::unique_ptr<app::WorkingWindow> Make(app::AppContext& context) {
    return std::make_unique<Form>(context);
}

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
        auto messages = std::make_unique<app::RecordingMessages>();
        auto context = std::make_unique<app::AppContext>(*messages, app::NullDesktop::Instance());
        app::MenuSetup setup;
        setup.executablePath = exeDir + "/icd10tcm";
        setup.createForm2 = Make<outline::TForm2>;
        setup.createForm3 = Make<tree::TForm3>;
        setup.createForm4 = Make<quiz::TForm4>;
        setup.createForm5 = Make<search::TForm5>;
        auto menu = std::make_unique<app::TFormKelvara>(*context, std::move(setup));
        menu->CreateWorkingWindows();
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

// The result tree of the chapter range S00-T88 (tens of thousands of codes):
//   ChapterRange/bare   the range statement read row by row with the bare C API
//   ChapterRange/shown  the tree window's display: statement, tree built in one
//                       pass, model reset, first node expanded, tree painted
//   ChapterRange/ratio  both in the same iteration; the counter "ratio" is
//                       shown time / bare time (goal: under 3)
//   ChapterRange/expandAndCollapseAll  the expand-all and collapse-all pictures
#include <chrono>

#include <QApplication>
#include <QLineEdit>

#include "app/core/appcontext.h"
#include "app/widgets/pictures.h"
#include "benchqt.h"
#include "benchsupport.h"
#include "tree/codetreeview.h"
#include "tree/treewindow.h"
#include "tree/treemodel.h"
#include "testsupport/fakes.h"

namespace {

const char* const RangeStatement =
    "SELECT * FROM ICD10 WHERE ICD10_NO >=  'S00' AND ICD10_NO<='T88ZZZZZ' ORDER BY ICD10_NO\r\n";

QApplication& App() {
    return benchsupport::OffscreenApplication();
}

// One tree window on the full-size database, shown, with the range typed in.
struct Window {
    testsupport::RecordingMessages messages;
    testsupport::FakeDesktop desktop;
    app::AppContext ctx{messages, desktop};
    std::unique_ptr<tree::TreeWindow> form;

    explicit Window(const std::string& path) {
        App();
        ctx.connection.open(path);
        form = std::make_unique<tree::TreeWindow>(ctx, false);
        form->show();
        QApplication::processEvents();
        form->onActivated();
        form->codeEdit()->setText(QStringLiteral("S00-T88"));
    }
    void display() {
        form->showCodes();
        form->resultTree()->viewport()->repaint();
    }
    std::size_t nodes() const { return form->resultModel()->tree().size(); }
};

void ChapterRangeBare(benchmark::State& state) {
    sqlite3* db = benchsupport::OpenBare(state);
    if (!db) return;
    int rows = 0;
    for (auto _ : state)
        rows = benchsupport::RunBare(db, RangeStatement);
    state.counters["rows"] = rows;
    sqlite3_close(db);
}

void ChapterRangeShown(benchmark::State& state) {
    const std::string path = benchsupport::FullDatabasePath();
    if (path.empty()) return state.SkipWithError("full-size test database not built (needs ../shared/data)");
    Window w(path);
    for (auto _ : state)
        w.display();
    state.counters["nodes"] = static_cast<double>(w.nodes());
    if (!w.messages.shown.empty()) state.SkipWithError(w.messages.shown.front().c_str());
}

void ChapterRangeRatio(benchmark::State& state) {
    sqlite3* db = benchsupport::OpenBare(state);
    if (!db) return;
    Window w(benchsupport::FullDatabasePath());
    using Clock = std::chrono::steady_clock;
    double bare = 0, shown = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(benchsupport::RunBare(db, RangeStatement));
        const auto t1 = Clock::now();
        w.display();
        const auto t2 = Clock::now();
        bare += std::chrono::duration<double, std::milli>(t1 - t0).count();
        shown += std::chrono::duration<double, std::milli>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["bare_ms"] = bare / n;
    state.counters["shown_ms"] = shown / n;
    state.counters["ratio"] = bare > 0 ? shown / bare : 0;
    sqlite3_close(db);
}

// Expand-all on the shown chapter tree (every one of its nodes made visible)
// and collapse-all again, painted each time.
void ChapterRangeExpandAll(benchmark::State& state) {
    const std::string path = benchsupport::FullDatabasePath();
    if (path.empty()) return state.SkipWithError("full-size test database not built (needs ../shared/data)");
    Window w(path);
    w.display();
    tree::CodeTreeView* view = w.form->resultTree();
    for (auto _ : state) {
        w.form->pictureReleased(w.form->expandAllButton());
        view->viewport()->repaint();
        w.form->pictureReleased(w.form->collapseAllButton());
        view->viewport()->repaint();
    }
}

} // namespace

BENCHMARK(ChapterRangeBare)->Name("ChapterRange/bare")->Unit(benchmark::kMillisecond);
BENCHMARK(ChapterRangeShown)->Name("ChapterRange/shown")->Unit(benchmark::kMillisecond);
BENCHMARK(ChapterRangeExpandAll)->Name("ChapterRange/expandAndCollapseAll")->Unit(benchmark::kMillisecond);
BENCHMARK(ChapterRangeRatio)->Name("ChapterRange/ratio")->Unit(benchmark::kMillisecond)->Iterations(10);

// Typing into the search window with 即時查詢 on, on the full-size database
// (offscreen platform). Each keystroke of S93401A (code box), 左踝 扭傷
// (Chinese name box) and "ankle sprain" (English name box) is one benchmark:
//   Typing/<box>/<n>_<text so far>  manual time = from the change of the box to
//       the grid's first screen of rows painted. The window's pause before a
//       live search is set to 0 here, so the figure is the work alone.
//       Counters: median_ms and worst_ms of the first screen over the
//       iterations; all_ms, the median time from the change until the whole
//       result is read; bare_ms, the median of the bare SQLite statement(s) of
//       the same search (both statements when the character-order form ran),
//       every row read; all_ratio = all_ms / bare_ms; rows.
// Before each iteration the box holds the text before the keystroke and the
// grid shows that text's result, as it would while typing.
//   Whole/<box>/<text>  the same figures for a whole text pasted into an empty
//       box: the 40,078 codes under "S" and the 20,365 English names holding
//       "fracture", read to the end through the window.
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QLineEdit>
#include <QTableView>

#include "app/core/appcontext.h"
#include "app/core/indexednames.h"
#include "benchqt.h"
#include "benchsupport.h"
#include "db/query.h"
#include "search/resultmodel.h"
#include "search/searchwindow.h"
#include "search/wordfallback.h"
#include "testsupport/fakes.h"

namespace {

using Clock = std::chrono::steady_clock;
using benchsupport::Median;
using benchsupport::Ms;

// Notes when the grid's viewport has been painted.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted = true;
        return false;
    }
};

struct Window {
    testsupport::RecordingMessages messages;
    testsupport::FakeDesktop desktop;
    app::AppContext ctx{messages, desktop};
    PaintWatch watch; // outlives the window whose grid it watches
    std::unique_ptr<search::SearchWindow> form;
    QTableView* grid = nullptr;

    explicit Window(const std::string& path) {
        benchsupport::OffscreenApplication();
        ctx.connection.open(path);
        // The names index as the program has it once it is built.
        app::StartNamesIndex(ctx.connection);
        ctx.connection.waitForNamesIndex();
        form = std::make_unique<search::SearchWindow>(ctx);
        form->setLiveSearchPause(0);
        form->show();
        grid = form->findChild<QTableView*>(QStringLiteral("resultGrid"));
        grid->viewport()->installEventFilter(&watch);
        settle();
    }
    void settle() {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }
    QLineEdit* box(const char* name) { return form->findChild<QLineEdit*>(QString::fromLatin1(name)); }
};

// A window of its own for each benchmark, closed before the benchmark ends
// (while the application and its fonts still stand).
std::unique_ptr<Window> Open(benchmark::State& state) {
    const std::string path = benchsupport::FullDatabasePath();
    if (path.empty()) {
        state.SkipWithError("full-size test database not built (needs ../shared/data)");
        return nullptr;
    }
    benchsupport::OffscreenApplication();
    return std::make_unique<Window>(path);
}

// The bare statement(s) that the search for the box's text sends, every row read.
double BareMs(sqlite3* bare, db::Connection& connection, const search::Criteria& c) {
    db::Query result(connection), aux(connection);
    std::vector<std::string> statements;
    const std::vector<std::string> exact = search::BuildStatement(c, aux);
    if (exact.empty()) return 0;
    db::Query text(connection);
    text.lines() = exact;
    statements.push_back(text.text());
    const search::SearchOutcome outcome = search::RunSearchWithFallback(c, result, aux);
    if (outcome.characterOrder) statements.push_back(result.text());
    result.close();
    std::vector<double> times;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        for (const auto& s : statements)
            benchsupport::RunBare(bare, s);
        times.push_back(Ms(Clock::now() - start));
    }
    return Median(times);
}

// The box goes from `before` to `before + added` in one change.
void TypeKey(benchmark::State& state, const char* boxName, const QString& before, const QString& ch) {
    std::unique_ptr<Window> w = Open(state);
    sqlite3* bare = benchsupport::OpenBare(state);
    if (!w || !bare) return;
    QLineEdit* box = w->box(boxName);
    for (const char* other :
         {"icd9CodeEdit", "codeEdit", "chineseNameEdit", "englishNameEdit", "icd9NameEdit"})
        if (QLineEdit* e = w->box(other); e != box) e->clear();
    std::vector<double> first, all;
    int rows = 0;
    search::Criteria criteria;
    for (auto _ : state) {
        // The state before the keystroke: its text and its result on screen.
        box->setText(before);
        w->form->search(w->form.get());
        w->settle();
        const int started = w->form->searchesStarted();
        w->watch.painted = false;

        const auto change = Clock::now();
        box->insert(ch);
        Clock::time_point painted{};
        while (true) {
            QCoreApplication::processEvents();
            if (painted == Clock::time_point{} && w->form->searchesStarted() > started && w->watch.painted &&
                (w->form->resultModel()->rowCount() > 0 || w->form->resultModel()->isComplete()))
                painted = Clock::now();
            if (painted != Clock::time_point{} && w->form->resultModel()->isComplete()) break;
        }
        const auto done = Clock::now();
        first.push_back(Ms(painted - change));
        all.push_back(Ms(done - change));
        state.SetIterationTime(std::chrono::duration<double>(painted - change).count());
        rows = w->form->resultModel()->rowCount();
        criteria = w->form->criteria();
    }
    const double bareMs = BareMs(bare, w->ctx.connection, criteria);
    state.counters["median_ms"] = Median(first);
    state.counters["worst_ms"] = first.empty() ? 0 : *std::max_element(first.begin(), first.end());
    state.counters["all_ms"] = Median(all);
    state.counters["bare_ms"] = bareMs;
    state.counters["all_ratio"] = bareMs > 0 ? Median(all) / bareMs : 0;
    state.counters["rows"] = rows;
    sqlite3_close(bare);
}

void RegisterTyping(const char* label, const char* boxName, const QString& typed) {
    for (int key = 1; key <= typed.size(); ++key) {
        const std::string name =
            std::string("Typing/") + label + "/" + std::to_string(key) + "_" + typed.left(key).toStdString();
        benchmark::RegisterBenchmark(
            name.c_str(),
            [=](benchmark::State& s) { TypeKey(s, boxName, typed.left(key - 1), typed.mid(key - 1, 1)); })
            ->UseManualTime()
            ->Iterations(15)
            ->Unit(benchmark::kMillisecond);
    }
}

void RegisterWhole(const char* label, const char* boxName, const QString& text) {
    const std::string name = std::string("Whole/") + label + "/" + text.toStdString();
    benchmark::RegisterBenchmark(name.c_str(), [=](benchmark::State& s) { TypeKey(s, boxName, {}, text); })
        ->UseManualTime()
        ->Iterations(10)
        ->Unit(benchmark::kMillisecond);
}

const int registered = (RegisterTyping("code", "codeEdit", QStringLiteral("S93401A")),
                        RegisterTyping("chinese", "chineseNameEdit", QStringLiteral("左踝 扭傷")),
                        RegisterTyping("english", "englishNameEdit", QStringLiteral("ankle sprain")),
                        RegisterWhole("code", "codeEdit", QStringLiteral("S")),
                        RegisterWhole("english", "englishNameEdit", QStringLiteral("fracture")), 0);

} // namespace

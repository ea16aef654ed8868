// Listings of the outline browser on the full-size database:
//   BlockListing/bare     the range statement of block W00-W19 (20 categories),
//                         read with the bare C API
//   BlockListing/model    OutlineBrowser::listDatabaseCodes of W00-W19 with the
//                         entries filled, decorated and highlighted
//   CodeListing/bare      the three statements the code W000 needs (nothing of
//                         5 or 6 characters below it; 7-character codes found)
//   CodeListing/model     OutlineBrowser::listDatabaseCodes of W000
//   CodeListingFirst/...  the code S02 (children found by the first statement)
//   BlockDescent/window   the window: release on the entry W00-W19 (listing,
//                         20 tiles drawn and placed) and Back
#include <string>

#include "benchsupport.h"
#include "db/connection.h"
#include "db/query.h"
#include "outline/browser.h"
#include "outline/outlinetexts.h"

#ifdef ICD_OUTLINE_BENCH_WINDOW
#include <QApplication>

#include "benchqt.h"

#include "app/core/appcontext.h"
#include "app/widgets/imagebutton.h"
#include "app/widgets/pictures.h"
#include "outline/outlinewindow.h"
#include "testsupport/fakes.h"
#endif

namespace {

using outline::CodeListingStatement;
using outline::OutlineBrowser;
using outline::RangeListingStatement;

void Bare(benchmark::State& state, const std::vector<std::string>& statements) {
    sqlite3* db = benchsupport::OpenBare(state);
    if (!db) return;
    int rows = 0;
    for (auto _ : state) {
        // Like the model, stop at the first statement that gives rows.
        for (const auto& s : statements)
            if ((rows = benchsupport::RunBare(db, s + "\r\n")) != 0) break;
    }
    state.counters["rows"] = rows;
    sqlite3_close(db);
}

void Model(benchmark::State& state, const std::string& code, int level) {
    const std::string path = benchsupport::FullDatabasePath();
    if (path.empty()) return state.SkipWithError("full-size test database not built (needs ../shared/data)");
    db::Connection connection;
    connection.open(path);
    db::Query query(connection);
    OutlineBrowser browser(outline::Icd10OutlineLines(), false, query);
    int rows = 0;
    for (auto _ : state) {
        rows = browser.listDatabaseCodes(code, level);
        browser.highlightDistinctParts();
    }
    state.counters["rows"] = rows;
    state.counters["statements"] = static_cast<double>(browser.listingStatements().size());
}

void BlockListingBare(benchmark::State& state) {
    Bare(state, {RangeListingStatement("W00", "W19")});
}
void BlockListingModel(benchmark::State& state) {
    Model(state, "W00-W19", 4);
}
void CodeListingBare(benchmark::State& state) {
    Bare(state,
         {CodeListingStatement("W000", 5), CodeListingStatement("W000", 6), CodeListingStatement("W000", 7)});
}
void CodeListingModel(benchmark::State& state) {
    Model(state, "W000", 6);
}
void CodeListingFirstBare(benchmark::State& state) {
    Bare(state, {CodeListingStatement("S02", 4)});
}
void CodeListingFirstModel(benchmark::State& state) {
    Model(state, "S02", 4);
}

#ifdef ICD_OUTLINE_BENCH_WINDOW
QApplication& App() {
    return benchsupport::OffscreenApplication();
}

int EntryIndex(const outline::OutlineWindow& w, const std::string& code) {
    for (int e = 1; e <= outline::kEntryTiles; ++e)
        if (w.browser().entryTile(e).visible && w.browser().entryTile(e).code == code) return e;
    return 0;
}

void BlockDescentWindow(benchmark::State& state) {
    const std::string path = benchsupport::FullDatabasePath();
    if (path.empty()) return state.SkipWithError("full-size test database not built (needs ../shared/data)");
    App();
    testsupport::RecordingMessages messages;
    testsupport::FakeDesktop desktop;
    app::AppContext ctx(messages, desktop);
    ctx.connection.open(path);
    outline::OutlineWindow w(ctx, false);
    w.show();
    QApplication::processEvents();
    w.pictureReleased(w.chapterTileImage(20)); // V00-Y99
    w.pictureReleased(w.entryTileImage(EntryIndex(w, "V00-X58")));
    w.pictureReleased(w.entryTileImage(EntryIndex(w, "W00-X58")));
    const int block = EntryIndex(w, "W00-W19");
    if (block == 0) return state.SkipWithError("outline row W00-W19 not listed");
    int rows = 0;
    for (auto _ : state) {
        w.pictureReleased(w.entryTileImage(block));
        rows = w.browser().visibleEntryCount();
        w.pictureReleased(w.backImage());
    }
    state.counters["rows"] = rows;
    if (!messages.shown.empty()) state.SkipWithError(messages.shown.front().c_str());
}
#endif

} // namespace

BENCHMARK(BlockListingBare)->Name("BlockListing/bare")->Unit(benchmark::kMicrosecond);
BENCHMARK(BlockListingModel)->Name("BlockListing/model")->Unit(benchmark::kMicrosecond);
BENCHMARK(CodeListingBare)->Name("CodeListing/bare")->Unit(benchmark::kMicrosecond);
BENCHMARK(CodeListingModel)->Name("CodeListing/model")->Unit(benchmark::kMicrosecond);
BENCHMARK(CodeListingFirstBare)->Name("CodeListingFirst/bare")->Unit(benchmark::kMicrosecond);
BENCHMARK(CodeListingFirstModel)->Name("CodeListingFirst/model")->Unit(benchmark::kMicrosecond);
#ifdef ICD_OUTLINE_BENCH_WINDOW
BENCHMARK(BlockDescentWindow)->Name("BlockDescent/window")->Unit(benchmark::kMillisecond);
#endif

#include <cstdio>

#include "commands.h"
#include "db/connection.h"
#include "db/databasefile.h"
#include "search/ranking.h"

namespace icdtool {

int Rank(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: icdtool rank DB\n");
        return 2;
    }
    db::Connection connection;
    connection.open(db::PrepareDatabaseFile(args[0]));
    int shownRow = 0;
    const search::RankingResult r =
        search::BuildRanking(connection, [&shownRow](const search::RankingProgress& p) {
            // One progress line per usage row, redrawn in place.
            if (p.row == shownRow) return;
            shownRow = p.row;
            std::fprintf(stderr, "\rrank %s  %d/%d  %-10s", p.rank.c_str(), p.row, p.rows, p.code.c_str());
            std::fflush(stderr);
        });
    if (shownRow) std::fprintf(stderr, "\n");
    std::printf("%s%d usage rows, %d codes marked%s%s\n", r.columnAdded ? "column ICD10_RANKING added; " : "",
                r.rows, r.marks, r.lastCode.empty() ? "" : ", last ", r.lastCode.c_str());
    return 0;
}

} // namespace icdtool

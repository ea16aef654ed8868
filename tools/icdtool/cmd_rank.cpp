#include <cstdio>

#include "commands.h"
#include "db/connection.h"
#include "db/databasefile.h"
#include "search/ranking.h"

namespace icdtool {

int Rank(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "用法: icdtool rank 資料庫檔\n");
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
    std::printf("%s使用排名 %d 筆，標記 %d 個代碼%s%s\n", r.columnAdded ? "已新增欄位 ICD10_RANKING；" : "",
                r.rows, r.marks, r.lastCode.empty() ? "" : "，最後一個: ", r.lastCode.c_str());
    return 0;
}

} // namespace icdtool

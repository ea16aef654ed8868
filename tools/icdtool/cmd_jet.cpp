#include <cstdio>

#include "commands.h"
#include "db/codeindexes.h"
#include "db/connection.h"
#include "db/jetimport.h"
#include "db/query.h"

namespace icdtool {

int ImportJet(const Args& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "用法: icdtool import-jet IN.mdb OUT.sqlite\n");
        return 2;
    }
    db::ConvertJetToSqlite(args[0], args[1]);
    // Say what arrived, so the user can compare with the Jet file.
    db::Connection c;
    c.open(args[1]);
    db::Query tables(c);
    tables.setText(
        "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%' ORDER BY name");
    tables.open();
    std::vector<std::string> names;
    for (; !tables.eof(); tables.next())
        names.push_back(tables.value(0));
    std::printf("%s: %zu 個資料表\n", args[1].c_str(), names.size());
    for (const auto& n : names) {
        db::Query q(c);
        q.setText("SELECT count(*) FROM \"" + n + "\"");
        q.open();
        std::printf("  %-30s %s 筆\n", n.c_str(), q.value(0).c_str());
    }
    return 0;
}

} // namespace icdtool

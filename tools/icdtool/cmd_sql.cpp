#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "commands.h"
#include "db/connection.h"
#include "db/replacefile.h"

namespace fs = std::filesystem;

namespace icdtool {

int RunSql(const Args& args) {
    if (args.size() < 2) {
        std::fprintf(stderr, "用法: icdtool run-sql OUT.mdb FILE.sql...\n");
        return 2;
    }
    const fs::path out = args[0];
    const fs::path tmp = out.string() + ".tmp";
    // A run killed half-way leaves its temporary file (and journal) behind:
    // cleared first, never taken for a database.
    std::error_code ec;
    for (const char* s : {"", "-journal"})
        fs::remove(tmp.string() + s, ec);
    try {
        db::Connection c;
        c.open(tmp.string(), true);
        for (std::size_t i = 1; i < args.size(); ++i) {
            std::ifstream f(args[i], std::ios::binary);
            if (!f) throw std::runtime_error("無法讀取檔案: " + args[i]);
            std::stringstream ss;
            ss << f.rdbuf();
            try {
                c.exec("BEGIN;\n" + ss.str() + "\nCOMMIT;");
            } catch (const std::exception& e) {
                throw std::runtime_error(args[i] + ": " + e.what());
            }
        }
        c.exec("ANALYZE");
        c.close();
        db::ReplaceFileDurably(tmp.string(), out.string());
    } catch (...) {
        for (const char* s : {"", "-journal"})
            fs::remove(tmp.string() + s, ec);
        throw;
    }
    return 0;
}

} // namespace icdtool

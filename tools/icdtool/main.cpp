// icdtool: maintenance commands for the code database.
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

#include "commands.h"

namespace {
struct Command {
    const char* usage;
    std::function<int(const icdtool::Args&)> run;
};

const std::map<std::string, Command>& Commands() {
    static const std::map<std::string, Command> commands = {
        {"run-sql", {"run-sql OUT.mdb FILE.sql...   由 SQL 指令檔建立資料庫", icdtool::RunSql}},
        {"build-db", {"build-db OUT.mdb --data DIR ... 由官方發行檔建立代碼資料庫 (--help)", icdtool::BuildDb}},
        {"import-jet", {"import-jet IN.mdb OUT.sqlite  把 Jet 3/4 (Access) 檔轉成 SQLite", icdtool::ImportJet}},
        {"make-quiz", {"make-quiz DB OUT.txt [...]    由代碼資料庫產生評量測驗題庫 (--help)", icdtool::MakeQuiz}},
        {"rank", {"rank DB                       由 btbindn 填入使用排名 (ICD10_RANKING)", icdtool::Rank}},
    };
    return commands;
}

int Usage() {
    std::fprintf(stderr, "用法: icdtool 指令 [參數...]\n指令:\n");
    for (const auto& [name, c] : Commands()) std::fprintf(stderr, "  %s\n", c.usage);
    return 2;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) return Usage();
    auto it = Commands().find(argv[1]);
    if (it == Commands().end()) {
        std::fprintf(stderr, "icdtool: 沒有這個指令: %s\n", argv[1]);
        return Usage();
    }
    icdtool::Args args(argv + 2, argv + argc);
    try {
        return it->second.run(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "icdtool %s: %s\n", argv[1], e.what());
        return 1;
    }
}

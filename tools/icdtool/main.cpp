// icdtool: maintenance commands for the code database.
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

#include "commands.h"
#include "db/writefailure.h"

namespace {
struct Command {
    const char* usage;
    std::function<int(const icdtool::Args&)> run;
    const char* failure; // what failed, in the user's words
};

const std::map<std::string, Command>& Commands() {
    static const std::map<std::string, Command> commands = {
        {"run-sql",
         {"run-sql OUT.mdb FILE.sql...   由 SQL 指令檔建立資料庫", icdtool::RunSql,
          "以 SQL 檔建立資料庫失敗"}},
        {"build-db",
         {"build-db OUT.mdb --chinese FILE ... 由健保署中文版與官方檔案建立代碼資料庫 (--help)",
          icdtool::BuildDb, "建立代碼資料庫失敗"}},
        {"build-guide",
         {"build-guide OUT.db [--data DIR] 由官方類目表與索引 XML 建立編碼指引 (--help)", icdtool::BuildGuide,
          "建立編碼指引失敗"}},
        {"import-jet",
         {"import-jet IN.mdb OUT.sqlite  把 Jet 3/4 (Access) 檔轉成 SQLite", icdtool::ImportJet,
          "轉換 Jet 資料庫失敗"}},
        {"make-quiz",
         {"make-quiz DB OUT.txt [...]    由代碼資料庫產生評量測驗題庫 (--help)", icdtool::MakeQuiz,
          "產生評量測驗題庫失敗"}},
        {"rank",
         {"rank DB                       由 btbindn 填入使用排名 (ICD10_RANKING)", icdtool::Rank,
          "建立篩選排名失敗"}},
    };
    return commands;
}

int Usage() {
    std::fprintf(stderr, "用法: icdtool 指令 [參數...]\n指令:\n");
    for (const auto& [name, c] : Commands())
        std::fprintf(stderr, "  %s\n", c.usage);
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
        // Every command writes atomically, so a failure leaves the old database
        // as it was; the message says what failed and what to do, in Chinese
        // (a message already in Chinese is shown as it stands).
        const std::string detail = e.what();
        const bool chinese = !detail.empty() && static_cast<unsigned char>(detail[0]) >= 0x80;
        std::fprintf(stderr, "icdtool %s: %s\n", argv[1],
                     chinese ? detail.c_str() : db::WriteFailureMessage(it->second.failure, detail).c_str());
        return 1;
    }
}

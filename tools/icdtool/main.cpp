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
        {"run-sql", {"run-sql OUT.mdb FILE.sql...   build a database from SQL scripts", icdtool::RunSql}},
        {"build-db", {"build-db OUT.mdb --data DIR ... build the code database from the releases (--help)", icdtool::BuildDb}},
        {"import-jet", {"import-jet IN.mdb OUT.sqlite  convert a Jet 3/4 (Access) file into SQLite", icdtool::ImportJet}},
        {"make-quiz", {"make-quiz DB OUT.txt [...]    write a question bank for the quiz from the database (--help)",
                       icdtool::MakeQuiz}},
        {"rank", {"rank DB                       fill the usage ranking (ICD10_RANKING) from btbindn", icdtool::Rank}},
    };
    return commands;
}

int Usage() {
    std::fprintf(stderr, "usage: icdtool COMMAND [ARGS...]\ncommands:\n");
    for (const auto& [name, c] : Commands()) std::fprintf(stderr, "  %s\n", c.usage);
    return 2;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) return Usage();
    auto it = Commands().find(argv[1]);
    if (it == Commands().end()) {
        std::fprintf(stderr, "icdtool: unknown command '%s'\n", argv[1]);
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

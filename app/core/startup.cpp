#include "app/core/startup.h"

#include <filesystem>
#include <system_error>

#include "db/databasefile.h"
#include "db/error.h"

namespace fs = std::filesystem;

namespace app {

namespace {
constexpr char Separator = static_cast<char>(fs::path::preferred_separator);

bool IsSeparator(char c) {
    // The same test twice where the platform's separator is '/'.
    return c == Separator || c == '/'; // NOLINT(misc-redundant-expression)
}

void Show(AppContext& context, const std::string& text) {
    context.messages.show(text);
}
} // namespace

std::string ExeDirOf(const std::string& executablePath) {
    // The directory part with its trailing separator, as the platform gives it ...
    std::string dir = executablePath;
    while (!dir.empty() && !IsSeparator(dir.back()))
        dir.pop_back();
    // ... then that one separator removed.
    if (!dir.empty() && IsSeparator(dir.back())) dir.pop_back();
    return dir;
}

std::string DatabasePathIn(const std::string& exeDir) {
    return exeDir + Separator + DatabaseFileName;
}

bool OpenDatabase(AppContext& context, const std::string& executablePath) {
    context.exeDir = ExeDirOf(executablePath);
    context.dbPath = DatabasePathIn(context.exeDir);

    // Only a file counts: a folder of that name is as good as no file.
    std::error_code ec;
    const std::u8string utf8(context.dbPath.begin(), context.dbPath.end()); // the path is UTF-8 everywhere
    if (!fs::is_regular_file(fs::path(utf8), ec)) {
        Show(context, FileNotFoundMessage + context.dbPath);
        return false;
    }

    context.connection.close();
    try {
        context.connection.open(db::PrepareDatabaseFile(context.dbPath));
    } catch (const std::exception& e) {
        // db::Error carries the engine's text; a failing conversion (a file
        // system or memory error) is reported the same way rather than ending
        // the program.
        context.connection.close();
        Show(context, CannotOpenDatabaseMessage + std::string(e.what()));
        return false;
    }
    // The names index is read on a thread of its own: the menu does not wait
    // for it, and searches use the engine until it is there.
    context.connection.startNamesIndex();
    return true;
}

} // namespace app

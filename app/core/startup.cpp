#include "app/core/startup.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

#include "app/core/indexednames.h"
#include "db/databasefile.h"
#include "db/error.h"
#include "db/writefailure.h"
#include "text/paths.h"

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

const char* const RestoreOrRebuild =
    "請從備份還原這個檔案，或依 docs/database.md 重新建置資料庫，再開啟本程式。";
} // namespace

std::string CannotOpenDatabaseText(const std::string& path, const std::string& detail) {
    std::string what, todo = RestoreOrRebuild;
    switch (db::ClassifyOpenFailure(detail)) {
    case db::OpenFailure::NotADatabase:
        what = "這個檔案不是本程式的資料庫（可能是別種檔案，或檔案開頭已損壞）。";
        break;
    case db::OpenFailure::Damaged:
        what = "資料庫檔案已損壞或不完整（例如複製、下載時中斷而被截斷）。";
        break;
    case db::OpenFailure::Locked:
        what = "另一個程式正鎖住這個資料庫（例如正在建置或寫入它）。";
        todo = "請等那個程式完成後再開啟本程式；若沒有別的程式在用它，請重新開機後再試。";
        break;
    case db::OpenFailure::NoPermission:
        what = "沒有讀寫這個檔案的權限，或它所在的資料夾無法存取。";
        todo = "請取得這個檔案與資料夾的讀寫權限（或請系統管理員設定）後，再開啟本程式。";
        break;
    case db::OpenFailure::Other:
        break;
    }
    std::string text = std::string(CannotOpenDatabaseMessage) + path + "\n";
    if (!what.empty()) text += what + "\n";
    return text + todo + "\n原始訊息：" + detail;
}

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

std::string UserDataDirFrom(PathRules rules, const std::function<std::string(const char*)>& environment) {
    if (rules == PathRules::Windows) {
        const std::string local = environment("LOCALAPPDATA");
        return local.empty() ? std::string() : local + "\\" + UserFolderName;
    }
    // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rule says.
    const std::string xdg = environment("XDG_DATA_HOME");
    if (!xdg.empty() && xdg.front() == '/') return xdg + "/" + UserFolderName;
    const std::string home = environment("HOME");
    return home.empty() ? std::string() : home + "/.local/share/" + UserFolderName;
}

std::vector<std::string> DatabaseCandidates(const std::string& exeDir, const std::string& userDataDir) {
    std::vector<std::string> paths;
    if (!userDataDir.empty()) paths.push_back(DatabasePathIn(userDataDir));
    paths.push_back(DatabasePathIn(exeDir));
    return paths;
}

bool IsWritableFolder(const std::string& folder) {
    std::error_code ec;
    const fs::path dir = text::PathFromUtf8(folder);
    if (!fs::is_directory(dir, ec)) {
        fs::create_directories(dir, ec);
        if (ec) return false;
    }
    // A name no other program uses; the file is gone again at once.
    const fs::path probe = dir / (".icd10tcm-write-check-" + std::to_string(std::random_device{}()));
    if (!std::ofstream(probe, std::ios::binary)) return false;
    fs::remove(probe, ec);
    return true;
}

std::string NewDatabasePath(const std::string& dbPath, const std::string& userDataDir,
                            const std::function<bool(const std::string& folder)>& canWrite) {
    const std::string folder = text::Utf8FromPath(text::PathFromUtf8(dbPath).parent_path());
    const db::FileKind kind = db::DetectFileKind(dbPath);
    const bool jet = kind == db::FileKind::Jet3 || kind == db::FileKind::Jet4;
    if (!dbPath.empty() && !jet && canWrite(folder)) return dbPath;
    if (!userDataDir.empty() && canWrite(userDataDir)) return DatabasePathIn(userDataDir);
    return {};
}

bool OpenDatabase(AppContext& context, const std::string& executablePath) {
    return OpenDatabase(context, executablePath, UserDataDir());
}

bool OpenDatabase(AppContext& context, const std::string& executablePath, const std::string& userDataDir) {
    context.exeDir = ExeDirOf(executablePath);
    context.userDataDir = userDataDir;
    // Only a file counts: a folder of that name is as good as no file.
    std::error_code ec;
    const std::vector<std::string> candidates = DatabaseCandidates(context.exeDir, userDataDir);
    context.dbPath = candidates.back();
    for (const std::string& path : candidates)
        if (fs::is_regular_file(text::PathFromUtf8(path), ec)) {
            context.dbPath = path;
            break;
        }
    if (!fs::is_regular_file(text::PathFromUtf8(context.dbPath), ec)) {
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
        Show(context, CannotOpenDatabaseText(context.dbPath, e.what()));
        return false;
    }
    // The names index is read on a thread of its own: the menu does not wait
    // for it, and searches use the engine until it is there.
    StartNamesIndex(context.connection);
    return true;
}

} // namespace app

#pragma once
// Opening the code database at start-up: the folders the program looks in, the
// database path, where a newly built database goes, and the two failure
// messages.
//
// The program looks for icd10_2023.mdb first in the per-user data folder, then
// beside the executable. An installed program's folder cannot be written by its
// users, so a database built in the program goes to the per-user folder, where
// the next start finds it first; a program whose folder can be written (a copy
// in a clinic's own folder) keeps its database beside it.
//
//   ExeDirOf("/opt/icd/bin/icd10tcm")  => "/opt/icd/bin"
//   ExeDirOf("/icd10tcm")              => ""        (root: the separator is removed)
//   DatabasePathIn("/opt/icd/bin")     => "/opt/icd/bin/icd10_2023.mdb"
//   DatabasePathIn("")                 => "/icd10_2023.mdb"
// (On Windows the separator is a backslash: D:\App\icd10tcm.exe => D:\App and
// D:\App\icd10_2023.mdb; C:\icd10tcm.exe => C: and C:\icd10_2023.mdb.)
//
//   UserDataDirFrom(Posix, XDG_DATA_HOME unset, HOME=/home/lin) => "/home/lin/.local/share/icd10tcm"
//   UserDataDirFrom(Posix, XDG_DATA_HOME=/data/lin)            => "/data/lin/icd10tcm"
//   UserDataDirFrom(Windows, LOCALAPPDATA=C:\Users\林\AppData\Local) => "C:\Users\林\AppData\Local\icd10tcm"
// (the places Qt's QStandardPaths::AppLocalDataLocation gives for the program)

#include <functional>
#include <string>
#include <vector>

#include "app/core/appcontext.h"

namespace app {

inline constexpr const char* DatabaseFileName = "icd10_2023.mdb";
inline constexpr const char* FileNotFoundMessage = "找不到檔案:";
inline constexpr const char* CannotOpenDatabaseMessage = "無法開啟資料庫:";

// The directory part of the executable's full path, without a trailing separator.
std::string ExeDirOf(const std::string& executablePath);

// exeDir + separator + "icd10_2023.mdb".
std::string DatabasePathIn(const std::string& exeDir);

// The message for a database file that is there but cannot be opened: the
// file, what is wrong (db::ClassifyOpenFailure) and what to do in Chinese,
// then the detail as it came.
//   ("/opt/icd/icd10_2023.mdb", "file is not a database") =>
//     無法開啟資料庫:/opt/icd/icd10_2023.mdb
//     這個檔案不是本程式的資料庫（可能是別種檔案，或檔案開頭已損壞）。
//     請從備份還原這個檔案，或依 docs/database.md 重新建置資料庫，再開啟本程式。
//     原始訊息：file is not a database
std::string CannotOpenDatabaseText(const std::string& path, const std::string& detail);

inline constexpr const char* UserFolderName = "icd10tcm";

// Which platform's rule for the per-user data folder.
enum class PathRules { Posix, Windows };

// The per-user data folder by the platform's rule, from the environment
// (environment(name) is "" for a variable that is not set): on POSIX systems
// $XDG_DATA_HOME/icd10tcm, when XDG_DATA_HOME is an absolute path, else
// $HOME/.local/share/icd10tcm; on Windows %LOCALAPPDATA%\icd10tcm. "" when
// the variables it needs are not set.
std::string UserDataDirFrom(PathRules rules, const std::function<std::string(const char*)>& environment);

// This user's data folder, from this process's environment (UTF-8).
std::string UserDataDir();

// The database files the program looks for, in order: the per-user folder's
// (when there is a per-user folder), then the one beside the executable.
std::vector<std::string> DatabaseCandidates(const std::string& exeDir, const std::string& userDataDir);

// True when a file can be made in folder (made with its parents when missing):
// tried by making and removing a file, which also catches read-only mounts and
// access lists.
bool IsWritableFolder(const std::string& folder);

// Where a database built in the program is written: in place of the database
// in use (dbPath) when its folder can be written and it is not the clinic's Jet
// file (which is never written); otherwise in the per-user folder, where the
// next start finds it first. "" when neither can be written.
std::string
NewDatabasePath(const std::string& dbPath, const std::string& userDataDir,
                const std::function<bool(const std::string& folder)>& canWrite = IsWritableFolder);

// Sets exeDir, the per-user folder and dbPath (the first of the candidates that
// is a file, else the one beside the executable) and opens the connection on
// the database file (a Jet file is converted first), then starts building the
// names index in the background (nothing waits for it). On failure shows
//   "找不到檔案:" + dbPath                       when no file is there,
//   CannotOpenDatabaseText(dbPath, the error)     when it cannot be opened,
// leaves the connection closed and returns false: the caller then requests
// termination. Without userDataDir, this user's data folder.
bool OpenDatabase(AppContext& context, const std::string& executablePath);
bool OpenDatabase(AppContext& context, const std::string& executablePath, const std::string& userDataDir);

} // namespace app

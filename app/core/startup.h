#pragma once
// Opening the code database at start-up: the folder of the executable, the
// database path beside it, and the two failure messages.
//
//   ExeDirOf("/opt/icd/bin/icd10tcm")  => "/opt/icd/bin"
//   ExeDirOf("/icd10tcm")              => ""        (root: the separator is removed)
//   DatabasePathIn("/opt/icd/bin")     => "/opt/icd/bin/icd10_2023.mdb"
//   DatabasePathIn("")                 => "/icd10_2023.mdb"
// (On Windows the separator is a backslash: D:\App\icd10tcm.exe => D:\App and
// D:\App\icd10_2023.mdb; C:\icd10tcm.exe => C: and C:\icd10_2023.mdb.)

#include <string>

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

// Sets exeDir and dbPath from the executable's path and opens the connection on
// the database file (a Jet file is converted first). On failure shows
//   "找不到檔案:" + dbPath                       when no file is there,
//   CannotOpenDatabaseText(dbPath, the error)     when it cannot be opened,
// leaves the connection closed and returns false: the caller then requests
// termination.
bool OpenDatabase(AppContext& context, const std::string& executablePath);

} // namespace app

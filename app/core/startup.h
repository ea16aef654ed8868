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

// Sets exeDir and dbPath from the executable's path and opens the connection on
// the database file (a Jet file is converted first), then starts building the
// names index in the background (nothing waits for it). On failure shows
//   "找不到檔案:" + dbPath              when no file is there,
//   "無法開啟資料庫:" + the error text    when it cannot be opened,
// leaves the connection closed and returns false: the caller then requests
// termination.
bool OpenDatabase(AppContext& context, const std::string& executablePath);

} // namespace app

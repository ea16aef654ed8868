#pragma once
// The platform's Jet reader, used by ConvertJetToSqlite (jetimport.cpp), which
// has already checked that the file is an unprotected Jet file. One form per
// platform: jetreadermdb.cpp (mdbtools in a child process) on POSIX systems,
// jetreaderodbc.cpp (the Microsoft Access ODBC driver) on Windows.

#include <string>

namespace db {

// Start of the reason given when the copy cannot be written (the Jet file itself
// may be fine).
inline const std::string CannotWriteCopy = "無法寫入轉換後的副本";

// Copies every user table of the Jet file into a new SQLite file at outPath
// (all columns, text as UTF-8, text columns COLLATE NOCASE), then indexes the
// code tables (OptimizeCodeDatabase). Returns "" on success, otherwise why it
// failed; a reason that starts with CannotWriteCopy means the copy could not be
// written, any other that the Jet file could not be read. A reader that makes
// no progress for stallSeconds is given up.
std::string CopyJetTables(const std::string& jetPath, const std::string& outPath, int stallSeconds);

} // namespace db

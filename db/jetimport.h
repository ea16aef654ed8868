#pragma once
// Conversion of a Jet 3/4 (.mdb) file into an SQLite file: with mdbtools on
// POSIX systems, with the Microsoft Access ODBC driver on Windows.

#include <string>

namespace db {

// Copies every table of the Jet file, all columns, text as UTF-8 (Jet 3 text is
// read as CP950), into a new SQLite file at sqlitePath. Text columns are created
// COLLATE NOCASE; when the copy has the code tables, their indexes are created
// and the planner statistics gathered (see OptimizeCodeDatabase).
//
// The copy is written to a temporary file beside sqlitePath and renamed only
// when complete, so an existing copy is replaced whole or not at all. The Jet
// file is opened read-only and never written.
//
// On POSIX systems the reading runs in a child process: the reader library may
// stop the process on a damaged file, and that must never take the program
// down with it. On Windows the Access driver reads the file in this process.
// Throws db::Error with a clear message when the Jet file cannot be read (not a
// Jet file, protected by a password, damaged); nothing is left behind then.
void ConvertJetToSqlite(const std::string& jetPath, const std::string& sqlitePath);
// The same; a reader that makes no progress for stallSeconds (20 above) is
// stopped and the file reported as damaged.
void ConvertJetToSqlite(const std::string& jetPath, const std::string& sqlitePath, int stallSeconds);

// True when the header of a Jet 3/4 file (its first page, at least 128 bytes)
// says the database has a password. Such a file cannot be opened without its
// password, so it is refused rather than read behind the password's back.
bool JetHasPassword(const std::string& header);

// True when this build on this computer can read Jet files at all (mdbtools was
// there when it was built; on Windows, the Access ODBC driver is installed).
bool JetReaderAvailable();

} // namespace db

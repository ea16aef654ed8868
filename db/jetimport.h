#pragma once
// Conversion of a Jet 3/4 (.mdb) file into an SQLite file with mdbtools.

#include <string>

namespace db {

// Copies every table of the Jet file, all columns, text as UTF-8 (Jet 3 text is
// read as CP950), into a new SQLite file at sqlitePath. The copy is written to a
// temporary file and renamed only when complete. Throws db::Error with a clear
// message when the Jet file cannot be read; nothing is left behind then.
void ConvertJetToSqlite(const std::string& jetPath, const std::string& sqlitePath);

} // namespace db

#pragma once
// Which kind of file the code database is, and the SQLite file to open for it.
//
// An SQLite file is opened as it is. A Jet 3/4 (.mdb) file, as the clinic may
// have it, is converted once into an SQLite copy beside it (same name with the
// extension ".sqlite"), and converted again only when the Jet file is newer than
// the copy. The Jet file itself is never written.

#include <string>

namespace db {

enum class FileKind { Missing, Empty, SQLite, Jet3, Jet4, Unknown };

FileKind DetectFileKind(const std::string& path);

// Path of the SQLite copy made from a Jet file: "/x/icd10_2023.mdb" => "/x/icd10_2023.sqlite".
std::string ConvertedCopyPath(const std::string& jetPath);

// The SQLite file to open for the database at path, converting a Jet file when
// needed. Throws db::Error with a message that says what is wrong (an empty file,
// a Jet file that cannot be read). A file of unknown kind is returned as it is,
// so that opening it reports the engine's own message.
std::string PrepareDatabaseFile(const std::string& path);

} // namespace db

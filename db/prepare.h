#pragma once
// The db layer's own helper: prepares exactly one statement. Not for use
// outside db/.

#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace db::detail {

// Prepares the one statement of sql. Text after it other than blanks and
// comments is refused, so one object never runs two statements. Throws
// db::Error with the engine's message.
sqlite3_stmt* PrepareOne(sqlite3* db, const std::string& sql);

} // namespace db::detail

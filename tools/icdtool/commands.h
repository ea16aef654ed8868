#pragma once
// Commands of icdtool. Each takes the arguments after its name and returns the
// process exit status; errors are written to standard error.

#include <string>
#include <vector>

namespace icdtool {

using Args = std::vector<std::string>;

// run-sql OUT.mdb FILE.sql...: builds a new SQLite database from SQL scripts,
// atomically (a temporary file renamed when complete).
int RunSql(const Args& args);

} // namespace icdtool

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

// import-jet IN.mdb OUT.sqlite: converts a Jet 3/4 file into an SQLite file
// (all tables and columns, text as UTF-8), atomically; lists the tables copied.
int ImportJet(const Args& args);

// build-db OUT.mdb [--data DIR] [options]: builds the code database from the
// official releases (see its --help), atomically.
int BuildDb(const Args& args);

// The full path of the running executable, in UTF-8 (one form per platform).
std::string ExecutablePath();

// build-guide OUT [--data DIR] [--tabular FILE] [--index FILE] [--order FILE]:
// builds the coder's guide from the official tabular and index XML and the
// order file (see its --help), atomically; prints its counts.
int BuildGuide(const Args& args);

// rank DB: fills ICD10.ICD10_RANKING from the usage table btbindn (adding the
// column when missing), in one transaction; shows its progress on stderr.
int Rank(const Args& args);

// make-quiz DB OUT.txt [--count N] [--codes CODES] [--kinds LIST] [--seed S]:
// writes a question bank for the quiz from the code database, atomically, and
// prints a summary (questions per kind, codes drawn from, questions skipped).
int MakeQuiz(const Args& args);

} // namespace icdtool

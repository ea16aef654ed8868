#include "db/jetimport.h"

#include "db/error.h"

namespace db {

void ConvertJetToSqlite(const std::string& jetPath, const std::string&) {
    throw Error("cannot read the Jet database " + jetPath);
}

} // namespace db

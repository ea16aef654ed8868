#include "app/core/indexednames.h"

#include "db/connection.h"

namespace app {

const std::vector<db::NamesIndex::IndexedTable>& IndexedNames() {
    static const std::vector<db::NamesIndex::IndexedTable> tables = {
        {"ICD10", "ICD10_NO", {"ICD10_NO", "ICD10_CNAME", "ICD10_ENAME"}},
        {"ICD9", "", {"ICD9_NAME", "ICD9_NAME2"}},
    };
    return tables;
}

void StartNamesIndex(db::Connection& connection) {
    connection.startNamesIndex({IndexedNames(), {}});
}

} // namespace app

// Fuzzes the coder's guide importer over arbitrary file bytes: the tabular
// XML, the index XML or the order file (the input's first byte chooses which),
// read into an in-memory guide. A bad file must be refused with an ImportError
// that names it; nothing else may escape or crash. What an accepted file leaves
// must hold together: every note and table row belongs to a tabular node,
// every subtree ends inside the table, and the index search, its entries and
// its "see" resolution work on it.
#include <cstdint>
#include <string>
#include <string_view>

#include "db/connection.h"
#include "db/statement.h"
#include "guide/guidefile.h"
#include "guide/importer.h"
#include "guide/indexsearch.h"

#include "fuzzcheck.h"

namespace {

long Count(db::Connection& c, const char* sql) {
    return static_cast<long>(db::QueryCount(c, sql));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int which = data[0] % 3;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string name = which == 0 ? "tabular.xml" : which == 1 ? "index.xml" : "order.tsv";

    db::Connection c;
    c.open(":memory:", true);
    c.exec(guide::GuideSchema());
    bool accepted = false;
    {
        db::Transaction t(c);
        auto in = guide::MemorySource(bytes);
        try {
            if (which == 0) guide::ImportTabular(*in, name, c);
            if (which == 1) guide::ImportIndex(*in, name, c);
            if (which == 2) guide::ImportOrder(*in, name, c);
            accepted = true;
        } catch (const guide::ImportError& e) {
            const std::string m = e.what();
            CHECK(m.rfind(name, 0) == 0 && m.size() > name.size() + 2);
        }
        t.commit();
    }
    if (!accepted) return 0;
    CHECK(Count(c, "SELECT count(*) FROM note WHERE node NOT IN (SELECT id FROM node)") == 0);
    CHECK(Count(c,
                "SELECT count(*) FROM seventh WHERE node NOT IN (SELECT id FROM node WHERE kind = 'diag')") ==
          0);
    CHECK(Count(c, "SELECT count(*) FROM node WHERE last < id OR last > (SELECT max(id) FROM node)") == 0);
    CHECK(
        Count(c,
              "SELECT count(*) FROM node WHERE parent IS NOT NULL AND parent NOT IN (SELECT id FROM node)") ==
        0);
    CHECK(Count(c, "SELECT count(*) FROM term WHERE last < id OR last > (SELECT max(id) FROM term)") == 0);
    CHECK(Count(c, "SELECT count(*) FROM term WHERE parent >= id") == 0);
    if (which == 1) {
        guide::IndexSearch index(c);
        CHECK(index.termCount() == static_cast<std::size_t>(Count(c, "SELECT count(*) FROM term")));
        for (long id : index.find("a b")) {
            const guide::IndexEntry e = index.entry(id);
            CHECK(!e.path.empty() && !e.text().empty());
            if (!e.see.empty()) {
                const guide::SeeTarget to = index.resolve(e.see);
                CHECK(to.term >= 0 && to.term <= static_cast<long>(index.termCount()));
            }
        }
    }
    return 0;
}

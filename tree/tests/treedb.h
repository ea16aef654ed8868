#pragma once
// A code database in a temporary file with the program's schema, and helpers
// that show a built tree as indented text, for the tree tests.
#include <fstream>
#include <sstream>
#include <string>

#include "db/connection.h"
#include "db/query.h"
#include "testsupport/testsupport.h"
#include "tree/treenode.h"

namespace treetest {

using testsupport::SchemaSql;

class CodeDb {
public:
    CodeDb() {
        conn.open(dir.file("icd10_2023.mdb"), true);
        conn.exec(SchemaSql());
    }
    void add(const std::string& no, const std::string& cname, const std::string& flag = "Y",
             const std::string& f2023 = "", const std::string& isNew = "") {
        db::Query q(conn);
        q.setText("INSERT INTO ICD10 VALUES('" + no + "','" + cname + "','english " + no + "','" + flag + "','" +
                  f2023 + "','" + isNew + "')");
        q.execute();
    }
    testsupport::TempDir dir;
    db::Connection conn;
};

// Every node on its own line, two blanks of indent per depth.
inline void Dump(const tree::Node* n, int depth, std::string& out) {
    for (int i = 0; i < n->childCount(); ++i) {
        out += std::string(static_cast<std::size_t>(depth) * 2, ' ') + n->child(i)->text + "\n";
        Dump(n->child(i), depth + 1, out);
    }
}
inline std::string Dump(const tree::Tree& t) {
    std::string out;
    Dump(t.top(), 0, out);
    return out;
}

} // namespace treetest

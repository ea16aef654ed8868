#pragma once
// The shared code database fixture under the tree tests' short name, and
// helpers that show a built tree as indented text.
#include <string>

#include "db/connection.h"
#include "db/query.h"
#include "testsupport/codedb.h"
#include "tree/treenode.h"

namespace treetest {

struct CodeDb : testsupport::CodeDb {
    db::Connection& conn = connection;
};

// Every node on its own line, two blanks of indent per depth.
inline void Dump(const tree::Node* n, int depth, std::string& out) {
    for (int i = 0; i < n->childCount(); ++i) {
        out.append(static_cast<std::size_t>(depth) * 2, ' ').append(n->child(i)->text).append("\n");
        Dump(n->child(i), depth + 1, out);
    }
}
inline std::string Dump(const tree::Tree& t) {
    std::string out;
    Dump(t.top(), 0, out);
    return out;
}

} // namespace treetest

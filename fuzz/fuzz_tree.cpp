// Fuzzes the tree browser's builders: a typed key (any bytes up to the first
// 0xFF) displayed as a result tree and as a simplified subtree on an in-memory
// database with the program's schema, and the rest of the input read as an
// outline text and built into the outline tree. Nothing may crash; the engine
// may refuse a statement only with its message; no row may change.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "codes/outlinetexts.h"
#include "db/connection.h"
#include "db/query.h"
#include "text/text.h"
#include "tree/treebuild.h"
#include "tree/treenode.h"

#ifndef ICD_SCHEMA_FILE
#error "ICD_SCHEMA_FILE must name data/schema.sql"
#endif

#include "fuzzcheck.h"

namespace {

std::string Rows(db::Connection& c) {
    db::Query q(c);
    q.setText("SELECT count(*) || group_concat(ICD10_NO || ICD10_CNAME, ',') FROM ICD10");
    q.open();
    return q.value(0);
}

db::Connection& Database() {
    static db::Connection* c = [] {
        auto* conn = new db::Connection;
        conn->open(":memory:", true);
        std::ifstream f(ICD_SCHEMA_FILE);
        std::stringstream ss;
        ss << f.rdbuf();
        conn->exec(ss.str());
        for (const char* code : {"A00", "A000", "A009", "A01", "A010", "A0100", "A09", "S93", "S934", "S9340",
                                 "S93401", "S93401A", "S93401D", "S93401S"})
            conn->exec(std::string("INSERT INTO ICD10 VALUES('") + code + "','名稱" + code + "','name','" +
                       (std::string(code).size() >= 5 ? "Y" : "N") + "','','')");
        return conn;
    }();
    return *c;
}

std::vector<std::string> Lines(const std::string& s) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= s.size(); ++i)
        if (i == s.size() || s[i] == '\n') {
            out.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    db::Connection& conn = Database();
    static const std::string before = Rows(conn);

    const std::string raw(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = raw.find('\xFF');
    std::string typed = raw.substr(0, cut);
    for (char& ch : typed)
        if (ch == '\0') ch = ' '; // a text box never holds a NUL character
    const std::vector<std::string> lines =
        cut == std::string::npos ? std::vector<std::string>{} : Lines(raw.substr(cut + 1));

    for (const std::string& line : lines) {
        const codes::OutlineLine parsed = codes::ParseOutlineLine(line);
        CHECK(parsed.depth <= line.size());
        CHECK(parsed.range.size() + parsed.name.size() <= line.size());
        const tree::CodeRange r = tree::SplitCodeRange(line);
        CHECK(text::Cp950Length(r.upper) <= 10);
    }
    for (bool icd11 : {false, true}) {
        tree::Tree outlineTree;
        tree::BuildOutlineTree(outlineTree, icd11, lines);
        CHECK(outlineTree.size() >= 1 && outlineTree.size() <= lines.size() + 1);
    }

    const std::string key = tree::DisplayKey(typed);
    db::Query query(conn);
    if (text::Cp950Length(key) >= 2) {
        tree::Tree result;
        try {
            tree::BuildResultTree(result, key, typed, query, lines);
        } catch (const db::Error& e) {
            CHECK(*e.what() != '\0');
        }
    }
    tree::Tree simple;
    try {
        tree::BuildSimplifiedTree(simple, typed, query, conn);
    } catch (const db::Error& e) {
        CHECK(*e.what() != '\0');
    }
    CHECK(Rows(conn) == before);
    return 0;
}

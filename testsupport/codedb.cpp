#include "testsupport/codedb.h"

namespace testsupport {

CodeDb::CodeDb() : CodeDb(m_own) {}

CodeDb::CodeDb(db::Connection& c) : connection(c), m_path(m_dir.file("icd10_2023.mdb")) {
    connection.open(m_path, true);
    connection.exec("PRAGMA synchronous=OFF"); // a throw-away file: no need to wait for the disk
    connection.exec(SchemaSql());
}

CodeDb::CodeDb(db::Connection& c, const std::string& path) : connection(c), m_path(path) {
    connection.open(m_path, true);
    connection.exec(SchemaSql());
}

std::string CodeDb::Literal(std::string_view value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

void CodeDb::code(const std::string& no, const std::string& cname, const std::string& ename,
                  const std::string& flag, const std::string& flag2023, const std::string& new2023) {
    connection.exec("INSERT INTO ICD10 VALUES (" + Literal(no) + "," + Literal(cname) + "," + Literal(ename) +
                    "," + Literal(flag) + "," + Literal(flag2023) + "," + Literal(new2023) + ")");
}

void CodeDb::add(const std::string& no, const std::string& cname, const std::string& flag,
                 const std::string& flag2023, const std::string& new2023) {
    code(no, cname, "english " + no, flag, flag2023, new2023);
}

void CodeDb::cm(const std::string& icd9, const std::string& icd10) {
    connection.exec("INSERT INTO CM VALUES (" + Literal(icd9) + "," + Literal(icd10) + ")");
}

void CodeDb::icd9(const std::string& no, const std::string& name, const std::string& name2) {
    connection.exec("INSERT INTO ICD9 VALUES (" + Literal(no) + "," + Literal(name) + "," + Literal(name2) +
                    ")");
}

void CodeDb::usage(const std::string& icd9, const std::string& rank) {
    connection.exec("INSERT INTO btbindn VALUES (" + Literal(icd9) + "," + Literal(rank) + ")");
}

} // namespace testsupport

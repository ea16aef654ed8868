#pragma once
// A code database for tests: a file in a fresh temporary folder, created with the
// program's real schema (data/schema.sql), and short ways to add rows. Every value
// goes into the statement as a quoted literal, so a name holding a quote is stored
// as it stands.
//
//     testsupport::CodeDb db;                        // its own connection
//     db.add("A000", "霍亂弧菌霍亂");                 // English name "english A000", finest
//     db.code("S93401A", "左側踝部扭傷", "Sprain of left ankle");
//     db.cm("845.00", "S93.401A");
//
//     testsupport::CodeDb db(ctx.connection);    // a window's connection
#include <string>
#include <string_view>

#include "db/connection.h"
#include "testsupport/testsupport.h"

namespace testsupport {

class CodeDb {
public:
    // A database of its own, on a connection of its own.
    CodeDb();
    // Opens the given connection on a new database in a temporary folder.
    explicit CodeDb(db::Connection& connection);
    // Opens the given connection on a new database at path (the file must not
    // hold tables yet).
    CodeDb(db::Connection& connection, const std::string& path);
    CodeDb(const CodeDb&) = delete;
    CodeDb& operator=(const CodeDb&) = delete;

    // The connection the rows go through (the given one or the database's own).
    db::Connection& connection;
    const std::string& path() const { return m_path; }

    // A row of table ICD10, every column given.
    void code(const std::string& no, const std::string& cname, const std::string& ename = "",
              const std::string& flag = "Y", const std::string& flag2023 = "",
              const std::string& new2023 = "");
    // A row of table ICD10 whose English name does not matter: "english " + no.
    void add(const std::string& no, const std::string& cname, const std::string& flag = "Y",
             const std::string& flag2023 = "", const std::string& new2023 = "");
    // A row of the ICD-9 to ICD-10 translation table CM.
    void cm(const std::string& icd9, const std::string& icd10);
    // A row of the ICD-9 title table.
    void icd9(const std::string& no, const std::string& name, const std::string& name2 = "");
    // A row of the usage ranking table btbindn.
    void usage(const std::string& icd9, const std::string& rank);

    // A value as an SQL literal: between single quotes, each quote doubled.
    static std::string Literal(std::string_view value);

private:
    TempDir m_dir;
    db::Connection m_own;
    std::string m_path;
};

} // namespace testsupport

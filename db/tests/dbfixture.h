#pragma once
// A code database in a temporary file, with the real schema, for db tests.
#include <fstream>
#include <sstream>

#include "db/connection.h"
#include "db/query.h"
#include "testsupport/testsupport.h"

using testsupport::SchemaSql;

class CodeDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("icd10_2023.mdb");
        conn.open(path, true);
        conn.exec(SchemaSql());
    }
    void addCode(const std::string& no, const std::string& cname, const std::string& flag = "Y",
                 const std::string& f2023 = "", const std::string& isNew = "") {
        conn.exec("INSERT INTO ICD10 VALUES('" + no + "','" + cname + "','english " + no + "','" + flag + "','" +
                  f2023 + "','" + isNew + "')");
    }
    std::vector<std::string> codes(const std::string& sql) {
        db::Query q(conn);
        q.setText(sql);
        q.open();
        std::vector<std::string> out;
        for (; !q.eof(); q.next()) out.push_back(q.value(0));
        return out;
    }
    testsupport::TempDir dir;
    std::string path;
    db::Connection conn;
};

#pragma once
// The shared code database fixture as a GoogleTest fixture for the db tests.
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/query.h"
#include "testsupport/codedb.h"

class CodeDbTest : public ::testing::Test {
protected:
    void addCode(const std::string& no, const std::string& cname, const std::string& flag = "Y",
                 const std::string& f2023 = "", const std::string& isNew = "") {
        db.add(no, cname, flag, f2023, isNew);
    }
    std::vector<std::string> codes(const std::string& sql) {
        db::Query q(conn);
        q.setText(sql);
        q.open();
        std::vector<std::string> out;
        for (; !q.eof(); q.next())
            out.push_back(q.value(0));
        return out;
    }
    testsupport::CodeDb db;
    db::Connection& conn = db.connection;
    const std::string& path = db.path();
};

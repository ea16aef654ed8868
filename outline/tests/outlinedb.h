#pragma once
// A code database in a temporary file, with the program's schema, for the
// outline browser's tests.
#include <string>

#include "db/connection.h"
#include "db/query.h"
#include "testsupport/testsupport.h"

namespace outlinetest {

class CodeDb {
public:
    CodeDb() {
        connection.open(dir.file("icd10_2023.mdb"), true);
        connection.exec(testsupport::ReadFile(std::string(ICD_SOURCE_DIR) + "/data/schema.sql"));
    }
    void add(const std::string& no, const std::string& cname, const std::string& flag = "Y",
             const std::string& flag2023 = "", const std::string& isNew = "") {
        auto q = [](const std::string& v) {
            std::string out = "'";
            for (char c : v) out += c == '\'' ? std::string("''") : std::string(1, c);
            return out + "'";
        };
        connection.exec("INSERT INTO ICD10 VALUES(" + q(no) + "," + q(cname) + "," + q("english " + no) + "," + q(flag) +
                        "," + q(flag2023) + "," + q(isNew) + ")");
    }

    testsupport::TempDir dir;
    db::Connection connection;
};

} // namespace outlinetest

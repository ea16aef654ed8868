#include "app/core/databaseline.h"

#include "db/connection.h"
#include "db/statement.h"

namespace app {

namespace {

// A value of BUILDINFO; "" when the table or the key is not there.
std::string BuildInfo(db::Connection& c, const char* key) {
    try {
        db::Statement s(c, "SELECT VALUE FROM BUILDINFO WHERE KEY = ?1");
        s.bind({key});
        return s.step() ? s.column(0) : std::string();
    } catch (const db::Error&) {
        return {};
    }
}

} // namespace

std::string GroupThousands(long long n) {
    std::string digits = std::to_string(n < 0 ? -n : n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return n < 0 ? "-" + out : out;
}

std::string DatabaseLine(db::Connection& c, db::FileKind kindOnDisk) {
    std::string line;
    const std::string source = BuildInfo(c, "source");
    if (kindOnDisk == db::FileKind::Jet3 || kindOnDisk == db::FileKind::Jet4) {
        line = "診所的 Jet 資料庫 icd10_2023.mdb";
    } else if (source == "sample") {
        line = "範例資料庫（非完整版，完整版的建置見 docs/database.md）";
    } else if (source == "official") {
        std::string edition = BuildInfo(c, "edition");
        line = "官方檔案建置：" + (edition.empty() ? std::string("ICD-10-CM 2023") : edition);
        if (std::string built = BuildInfo(c, "built"); !built.empty()) line += "，" + built + " 建置";
    } else {
        line = "資料庫 icd10_2023.mdb";
    }
    try {
        long long n = db::QueryCount(
            c, "SELECT count(*) FROM ICD10 WHERE ICD10_NO NOT LIKE 'S_%' OR ICD10_NO GLOB 'S[0-9]*'");
        line += "，ICD-10-CM 代碼 " + GroupThousands(n) + " 筆";
    } catch (const db::Error&) {
        // A database without a readable ICD10 table: the windows will say so.
    }
    if (!BuildInfo(c, "chinese_names_test").empty() || BuildInfo(c, "btbindn").rfind("TEST DATA", 0) == 0)
        line += "（含測試資料，不可用於臨床）";
    return line;
}

} // namespace app

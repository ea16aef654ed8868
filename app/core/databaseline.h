#pragma once
// The main menu's one line on the open code database: which database it is and
// how many ICD-10-CM codes it holds.
//
//   the sample (BUILDINFO source = sample)
//     => "範例資料庫（非完整版，可按「建立完整資料庫…」建置完整版），ICD-10-CM 代碼 2,898 筆"
//   built from the official files (source = official, edition, built)
//     => "官方檔案建置：ICD-10-CM 2023（2022-10-01），2026-12-08 建置，ICD-10-CM 代碼 96,996 筆"
//   the clinic's Jet file (the file on disk is Jet 3 or 4)
//     => "診所的 Jet 資料庫 icd10_2023.mdb，ICD-10-CM 代碼 97,468 筆"
//   anything else => "資料庫 icd10_2023.mdb，ICD-10-CM 代碼 12 筆"
// A database built with test data says so: "…（含測試資料，不可用於臨床）".
// Without a readable ICD10 table the count is left out.

#include <functional>
#include <string>
#include <vector>

#include "db/databasefile.h"

namespace db {
class Connection;
}

namespace app {

std::string DatabaseLine(db::Connection& connection, db::FileKind kindOnDisk);

// 96996 => "96,996"
std::string GroupThousands(long long n);

// The warning that ends the line of a database built with test data.
inline constexpr const char* TestDataWarning = "（含測試資料，不可用於臨床）";

// The line laid out in at most maxLines lines of `width` pixels, `measure`
// giving a text's width, so that nothing of it is cut off unseen:
//   - the whole line on one line when it fits;
//   - otherwise broken after a "，", each line as full as it can be, the
//     test-data warning never broken;
//   - when that still does not fit, the text before the warning shortened in
//     its middle ("官方檔案建置：ICD-10-CM 2023…代碼 96,996 筆") on the first
//     line and the warning whole on the next (shortened: the caller shows the
//     whole line as a tooltip).
struct FittedLine {
    std::vector<std::string> lines;
    bool shortened = false;
};
FittedLine FitDatabaseLine(const std::string& line, const std::function<int(const std::string&)>& measure,
                           int width, int maxLines = 2);

// The text shortened in its middle with "…" to fit the width, whole
// characters only: as many characters from its start as from its end.
std::string ElideMiddle(const std::string& text, const std::function<int(const std::string&)>& measure,
                        int width);

} // namespace app

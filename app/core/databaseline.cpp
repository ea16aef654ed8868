#include "app/core/databaseline.h"

#include <algorithm>

#include "db/connection.h"
#include "db/statement.h"
#include "text/text.h"

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
        line = "範例資料庫（非完整版，可按「建立完整資料庫…」建置完整版）";
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

std::string ElideMiddle(const std::string& text, const std::function<int(const std::string&)>& measure,
                        int width) {
    if (measure(text) <= width) return text;
    const std::vector<std::string> chars = text::Characters(text);
    for (std::size_t kept = chars.size(); kept-- > 0;) {
        const std::size_t front = (kept + 1) / 2, back = kept / 2;
        std::string shortened;
        for (std::size_t i = 0; i < front; ++i)
            shortened += chars[i];
        shortened += "…";
        for (std::size_t i = chars.size() - back; i < chars.size(); ++i)
            shortened += chars[i];
        if (measure(shortened) <= width) return shortened;
    }
    return "…";
}

FittedLine FitDatabaseLine(const std::string& line, const std::function<int(const std::string&)>& measure,
                           int width, int maxLines) {
    if (measure(line) <= width || maxLines < 1) return {{line}, false};

    // The pieces a line may break after: each "，" of the text, and the
    // warning as one piece.
    const std::string warning = TestDataWarning;
    const bool warned = line.size() >= warning.size() && line.ends_with(warning);
    const std::string main = warned ? line.substr(0, line.size() - warning.size()) : line;
    std::vector<std::string> pieces;
    const std::string comma = "，";
    for (std::size_t from = 0; from < main.size();) {
        std::size_t at = main.find(comma, from);
        const std::size_t end = at == std::string::npos ? main.size() : at + comma.size();
        pieces.push_back(main.substr(from, end - from));
        from = end;
    }
    if (warned) pieces.push_back(warning);

    FittedLine fitted;
    for (const std::string& piece : pieces) {
        if (!fitted.lines.empty() && measure(fitted.lines.back() + piece) <= width)
            fitted.lines.back() += piece;
        else
            fitted.lines.push_back(piece);
    }
    const bool fits = static_cast<int>(fitted.lines.size()) <= maxLines &&
                      std::all_of(fitted.lines.begin(), fitted.lines.end(),
                                  [&](const std::string& l) { return measure(l) <= width; });
    if (fits) return fitted;

    // Shortened in the middle of its text; the warning stays whole.
    fitted.shortened = true;
    fitted.lines = {ElideMiddle(main, measure, width)};
    if (warned) {
        if (maxLines >= 2)
            fitted.lines.push_back(warning);
        else
            fitted.lines = {ElideMiddle(
                                main, [&](const std::string& s) { return measure(s + warning); }, width) +
                            warning};
    }
    return fitted;
}

} // namespace app

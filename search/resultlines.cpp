#include "search/resultlines.h"

#include "app/core/databaseline.h"
#include "codes/coderules.h"

namespace search {

std::string CountLine(long long rows, long long icd11Rows, bool complete) {
    if (!complete) return "讀取中… " + app::GroupThousands(rows) + " 筆";
    std::string line = "共 " + app::GroupThousands(rows) + " 筆";
    if (rows == 0) return line + "（查無資料）";
    if (icd11Rows > 0) line += "，其中 ICD-11 傳統醫學 " + app::GroupThousands(icd11Rows) + " 筆";
    return line;
}

std::string GridChineseName(const std::string& code, const std::string& decoratedName) {
    return codes::IsIcd11Code(code) ? Icd11Mark + decoratedName : decoratedName;
}

} // namespace search

#include "codes/decoration.h"

#include "codes/coderules.h"
#include "db/query.h"
#include "text/text.h"

namespace codes {

std::string DecorateName(std::string_view name, std::string_view flag, std::string_view newMark) {
    const std::string f = text::Trim(flag);
    const std::string n = text::Trim(newMark);
    const char* status = nullptr;
    if (f == "D")
        status = "2023刪除";
    else if (f == "X")
        status = "2023禁用";
    else if (n == "Y")
        status = "2023新增";
    std::string out(name);
    if (status) {
        out += "(";
        out += status;
        out += ")";
    }
    return out;
}

std::string DecorateRowName(const db::Query& query) {
    const std::string newMark = query.field("ICD10_2023NEW");
    const std::string flag = query.field("ICD10_2023FLAG");
    return DecorateName(query.field("ICD10_CNAME"), flag, newMark);
}

std::string CodeAndNames(std::string_view code, const std::string& chineseName,
                         const std::string& englishName) {
    std::string text = WrittenCode(code);
    for (const std::string* name : {&chineseName, &englishName})
        if (!name->empty()) text += "\n" + *name;
    return text;
}

} // namespace codes

#include "codes/decoration.h"

#include "codes/coderules.h"
#include "db/query.h"
#include "text/text.h"

namespace codes {

std::string_view Decoration(std::string_view flag, std::string_view newMark) {
    const std::string f = text::Trim(flag);
    if (f == "D") return "(2023刪除)";
    if (f == "X") return "(2023禁用)";
    if (text::Trim(newMark) == "Y") return "(2023新增)";
    return {};
}

std::string DecorateName(std::string_view name, std::string_view flag, std::string_view newMark) {
    const std::string_view status = Decoration(flag, newMark);
    std::string out;
    out.reserve(name.size() + status.size());
    out.append(name).append(status);
    return out;
}

std::string DecorateRowName(const db::Query& query) {
    const std::string newMark = query.field("ICD10_2023NEW");
    const std::string flag = query.field("ICD10_2023FLAG");
    return DecorateName(query.field("ICD10_CNAME"), flag, newMark);
}

std::string CodeAndNames(std::string_view code, std::string_view chineseName, std::string_view englishName) {
    std::string text = WrittenCode(code);
    for (const std::string_view name : {chineseName, englishName})
        if (!name.empty()) text.append("\n").append(name);
    return text;
}

} // namespace codes

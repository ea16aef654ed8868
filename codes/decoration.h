#pragma once
// The 2023 status decoration of a Chinese name.
//
//   DecorateName("頭痛", "", "Y")     => "頭痛(2023新增)"
//   DecorateName("頭痛", " X ", "")   => "頭痛(2023禁用)"
//   DecorateName("頭痛", "D", "Y")    => "頭痛(2023刪除)"   deleted outranks new
//   DecorateName("頭痛", "x", "")     => "頭痛"             exact, case-sensitive
//   DecorateName("", "", "Y")         => "(2023新增)"
//   DecorateName("頭痛  ", "", "Y")   => "頭痛  (2023新增)" the name is not trimmed

#include <string>
#include <string_view>

namespace db {
class Query;
}

namespace codes {

std::string DecorateName(std::string_view name, std::string_view flag, std::string_view newMark);

// What DecorateName appends: "(2023刪除)", "(2023禁用)", "(2023新增)" or "".
std::string_view Decoration(std::string_view flag, std::string_view newMark);

// DecorateName of the current row's ICD10_CNAME, ICD10_2023FLAG and ICD10_2023NEW.
std::string DecorateRowName(const db::Query& query);

// What a code's tooltip says: the code as written (WrittenCode), then its
// Chinese and its English name, one a line; an empty name is left out.
//   ("S93401A", "右踝扭傷", "Sprain of right ankle") => "S93.401A\n右踝扭傷\nSprain of right ankle"
//   ("A00-A09", "腸道傳染病", "") => "A00-A09\n腸道傳染病"
std::string CodeAndNames(std::string_view code, std::string_view chineseName, std::string_view englishName);

} // namespace codes

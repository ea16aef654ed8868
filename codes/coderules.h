#pragma once
// ICD code rules shared by every feature: how codes are written and what their
// characters mean. Pure standard C++, no database and no windows.

#include <string>
#include <string_view>

namespace codes {

// An ICD-10-CM code in the dotted form coders write: a dot after the third
// character when more follow; other text is returned as it is.
//   "S93401A" => "S93.401A"   "M545" => "M54.5"   "A00" => "A00"   "S93.4" => "S93.4"
std::string DottedICD10Code(std::string_view code);

// An ICD-11 chapter 26 code (SA00..SJ3Z, groups SA0..SJ3 included), told from
// ICD-10-CM by its second character, a letter where ICD-10-CM has a digit.
//   "SA00" => true   "SJ3Z" => true   "S934" => false   "A00" => false
bool IsIcd11Code(std::string_view code);

} // namespace codes

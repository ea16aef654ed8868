#pragma once
// What the search window says about its result besides the rows themselves:
// the count line above the grid, and the mark of an ICD-11
// traditional-medicine row, whose codes share the code table (and the S
// prefix) with ICD-10-CM.
//
//   CountLine(1234, 0, true)  => "共 1,234 筆"
//   CountLine(40, 2, true)    => "共 40 筆，其中 ICD-11 傳統醫學 2 筆"
//   CountLine(0, 0, true)     => "共 0 筆（查無資料）"
//   CountLine(40, 1, false)   => "讀取中… 40 筆"   (the rest still being read)

#include <string>

namespace search {

std::string CountLine(long long rows, long long icd11Rows, bool complete);

// Put before the Chinese name of an ICD-11 row in the grid, and shown beside
// the code in the detail strip.
inline constexpr const char* Icd11Mark = "【ICD-11】";
inline constexpr const char* Icd11Explanation = "ICD-11 傳統醫學代碼，不是 ICD-10-CM 代碼";

// The Chinese name as the grid shows it: the mark first for an ICD-11 code.
//   ("SJ1Z", "肝鬱證") => "【ICD-11】肝鬱證"   ("S934", "踝部扭傷") => "踝部扭傷"
std::string GridChineseName(const std::string& code, const std::string& decoratedName);

} // namespace search

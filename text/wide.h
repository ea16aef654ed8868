#pragma once
// The UTF-16 text of the Windows wide-character functions (file names, window
// titles, the clipboard, the Access driver's strings), from and to the
// program's UTF-8. Windows only (widewin32.cpp), where wchar_t is a UTF-16 unit.
//   WideFromUtf8("診所") => L"診所"      Utf8FromWide(L"診所") => "診所"      "" <=> L""

#include <string>
#include <string_view>

namespace text {

std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

} // namespace text

#pragma once
// File paths are UTF-8 text in the program. A std::filesystem::path made
// straight from a std::string reads it in the system's narrow code page on
// Windows (CP950 on a Taiwanese computer), which breaks Chinese folder names;
// these convert through the UTF-8 forms, the same on every platform.

#include <filesystem>
#include <string>
#include <string_view>

namespace text {

std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

} // namespace text

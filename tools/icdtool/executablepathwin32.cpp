// The running executable's path on Windows, from the module of the process.
#include <windows.h>

#include <string>

#include "commands.h"
#include "text/paths.h"

namespace icdtool {

std::string ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return text::Utf8FromPath(path);
        }
        path.resize(path.size() * 2);
    }
}

} // namespace icdtool

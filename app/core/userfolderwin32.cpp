// This user's data folder on Windows, from the environment read in UTF-16 (a
// user name in Chinese survives; the narrow environment would be code page 950).
#include <windows.h>

#include "app/core/startup.h"
#include "text/paths.h"

namespace app {

std::string UserDataDir() {
    return UserDataDirFrom(PathRules::Windows, [](const char* name) {
        const std::wstring wide(name, name + std::char_traits<char>::length(name));
        const DWORD n = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
        if (n == 0) return std::string();
        std::wstring value(n, L'\0');
        value.resize(GetEnvironmentVariableW(wide.c_str(), value.data(), n));
        return text::Utf8FromPath(value);
    });
}

} // namespace app

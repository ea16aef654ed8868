#include "db/replacefile.h"

#include <windows.h>

#include <string>

#include "db/error.h"
#include "text/paths.h"

namespace db {

namespace {

std::string SystemMessage(DWORD code) {
    return "Windows 錯誤碼 " + std::to_string(code);
}

} // namespace

void ReplaceFileDurably(const std::string& from, const std::string& to) {
    const std::wstring source = text::PathFromUtf8(from).wstring();
    const std::wstring target = text::PathFromUtf8(to).wstring();
    // Flush the new file first, so the rename never exposes a file whose data is
    // still only in the cache.
    HANDLE file = CreateFileW(source.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw Error(from + ": " + SystemMessage(GetLastError()));
    const BOOL flushed = FlushFileBuffers(file);
    const DWORD flushError = GetLastError();
    CloseHandle(file);
    if (!flushed) throw Error(from + ": " + SystemMessage(flushError));
    // Write-through: the call returns once the rename itself is on the disk.
    if (!MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw Error(to + ": " + SystemMessage(GetLastError()));
}

} // namespace db

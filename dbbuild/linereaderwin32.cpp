// Reading a release file line by line on Windows. Windows has no `xz` to
// start, so ".xz" files are refused with a message that says what to do.
#include <windows.h>

#include <cstdio>

#include "dbbuild/build.h"
#include "text/wide.h"

namespace dbbuild {

LineReader::LineReader(const std::string& path) : m_path(path) {
    if (path.ends_with(".xz"))
        throw Error(path + ": Windows 版無法讀取 xz 壓縮檔，請先解壓縮 (例如用 7-Zip) "
                           "再指定解壓後的 .tsv 檔");
    m_file = _wfopen(text::WideFromUtf8(path).c_str(), L"rb");
    if (!m_file) throw Error(path + ": 無法開啟檔案");
}

LineReader::~LineReader() {
    if (m_file) std::fclose(m_file);
}

bool LineReader::next(std::string& line) {
    line.clear();
    char buf[4096];
    bool any = false;
    while (std::fgets(buf, sizeof buf, m_file)) {
        any = true;
        line += buf;
        if (!line.empty() && line.back() == '\n') break;
    }
    if (!any) {
        if (std::ferror(m_file)) throw Error(m_path + ": 無法讀取檔案");
        return false;
    }
    ++m_lineNo;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    checkText(line);
    return true;
}

} // namespace dbbuild

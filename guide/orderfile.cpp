// The edition's order file into the guide: which codes exist (the 7th-character
// combinations among them) and which are billable. The file is the project's
// tab-separated form with a header line naming its columns (code,
// valid_for_submission, long_description among them).
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "codes/coderules.h"
#include "db/connection.h"
#include "db/statement.h"
#include "guide/importer.h"

namespace guide {

namespace {

// A ByteSource read line by line, counting lines from 1.
class Lines {
public:
    Lines(ByteSource& in, std::string name) : m_in(in), m_name(std::move(name)) {}
    bool next(std::string& line) {
        line.clear();
        for (;;) {
            if (m_pos == m_len) {
                m_len = m_in.read(m_buf, sizeof m_buf);
                m_pos = 0;
                if (m_len == 0) {
                    if (line.empty()) return false;
                    break;
                }
            }
            const char* start = m_buf + m_pos;
            const char* nl = static_cast<const char*>(std::memchr(start, '\n', m_len - m_pos));
            if (!nl) {
                line.append(start, m_len - m_pos);
                m_pos = m_len;
                continue;
            }
            line.append(start, static_cast<std::size_t>(nl - start));
            m_pos += static_cast<std::size_t>(nl - start) + 1;
            break;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        ++m_lineNo;
        return true;
    }
    [[noreturn]] void fail(const std::string& what) const {
        throw ImportError(m_name + ":" + std::to_string(m_lineNo) + ": " + what);
    }

private:
    ByteSource& m_in;
    std::string m_name;
    char m_buf[1 << 16];
    std::size_t m_pos = 0, m_len = 0;
    long m_lineNo = 0;
};

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return out;
        start = tab + 1;
    }
}

} // namespace

void ImportOrder(ByteSource& in, const std::string& name, db::Connection& guide) {
    Lines lines(in, name);
    std::string line;
    if (!lines.next(line)) throw ImportError(name + ": 檔案是空的 (the file is empty)");
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    std::map<std::string, std::size_t> column;
    const std::vector<std::string> names = SplitTabs(line);
    for (std::size_t i = 0; i < names.size(); ++i)
        column.emplace(names[i], i);
    for (const char* required : {"code", "valid_for_submission", "long_description"})
        if (!column.count(required))
            lines.fail(std::string("這不是順序檔，標題列缺少欄位「") + required +
                       "」(the header has no column \"" + required + "\")");
    const std::size_t codeAt = column["code"], flagAt = column["valid_for_submission"],
                      titleAt = column["long_description"];
    const std::size_t width = names.size();
    db::Statement add(guide, "INSERT INTO code (code, billable, title) VALUES (?1, ?2, ?3)");
    std::set<std::string> seen;
    while (lines.next(line)) {
        if (line.empty()) continue;
        const std::vector<std::string> f = SplitTabs(line);
        if (f.size() != width)
            lines.fail("欄數不對，應有 " + std::to_string(width) + " 欄，卻有 " + std::to_string(f.size()) +
                       " 欄 (wrong number of tab-separated fields)");
        const std::string& code = f[codeAt];
        if (!codes::IsStoredICD10Code(code))
            lines.fail("「" + code + "」不是 ICD-10-CM 代碼 (not an ICD-10-CM code)");
        if (f[flagAt] != "0" && f[flagAt] != "1")
            lines.fail("最細碼旗標應為 0 或 1，卻是「" + f[flagAt] + "」(the flag must be 0 or 1)");
        if (f[titleAt].empty()) lines.fail("代碼 " + code + " 沒有名稱 (the code has no title)");
        if (!seen.insert(code).second) lines.fail("代碼 " + code + " 重複出現 (the code appears twice)");
        add.run({code, f[flagAt], f[titleAt]});
    }
    if (seen.empty()) throw ImportError(name + ": 檔案中沒有任何代碼 (no codes in the file)");
}

} // namespace guide

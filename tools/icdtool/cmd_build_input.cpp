// Reading the release files: plain or xz-compressed text, tab-separated tables
// with a header, comma-separated spreadsheet exports.
#include <cstdlib>
#include <cstring>

#include "cmd_build.h"
#include "text/text.h"

namespace icdtool::build {

void LineReader::fail(const std::string& what) const {
    throw Error(m_path + ":" + std::to_string(m_lineNo) + ": " + what);
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return out;
}

TsvReader::TsvReader(const std::string& path, const std::vector<std::string>& required) : m_in(path) {
    std::string head;
    if (!m_in.next(head)) throw Error(path + ": the file is empty (a header line was expected)");
    if (head.size() >= 3 && head.compare(0, 3, "\xEF\xBB\xBF") == 0) head.erase(0, 3);
    auto names = SplitTabs(head);
    for (std::size_t i = 0; i < names.size(); ++i) m_index.emplace(text::Trim(names[i]), i);
    for (const auto& r : required)
        if (!m_index.count(r)) m_in.fail("the header has no column \"" + r + "\" (found: " + head + ")");
}

bool TsvReader::next() {
    std::string line;
    while (m_in.next(line)) {
        if (text::Trim(line).empty()) continue;
        m_fields = SplitTabs(line);
        for (const auto& [name, i] : m_index)
            if (i >= m_fields.size())
                m_in.fail("expected " + std::to_string(m_index.size()) + " tab-separated fields, found " +
                          std::to_string(m_fields.size()));
        return true;
    }
    return false;
}

const std::string& TsvReader::get(const std::string& column) const {
    auto it = m_index.find(column);
    if (it == m_index.end()) m_in.fail("no column \"" + column + "\"");
    return m_fields[it->second];
}

std::vector<std::vector<std::string>> ParseCsv(const std::string& raw) {
    std::string bytes = raw;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    else if (!text::IsValidUtf8(bytes))
        bytes = text::FromCp950(bytes);
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, any = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < bytes.size() && bytes[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
            any = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
            any = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            if (any || !field.empty()) {
                row.push_back(std::move(field));
                rows.push_back(std::move(row));
            }
            row.clear();
            field.clear();
            any = false;
        } else {
            field += c;
        }
    }
    if (any || !field.empty()) {
        row.push_back(std::move(field));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string DotIcd10(const std::string& code) {
    if (code.size() <= 3) return code;
    return code.substr(0, 3) + "." + code.substr(3);
}

std::string DotIcd9(const std::string& code) {
    std::size_t head = (!code.empty() && (code[0] == 'E' || code[0] == 'e')) ? 4 : 3;
    if (code.size() <= head) return code;
    return code.substr(0, head) + "." + code.substr(head);
}

} // namespace icdtool::build

// Reading the release files: plain or xz-compressed text, tab-separated tables
// with a header, comma-separated spreadsheet exports.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "dbbuild/build.h"
#include "text/paths.h"
#include "text/text.h"
#include "text/textfile.h"

namespace dbbuild {

void LineReader::fail(const std::string& what) const {
    throw Error(m_path + ":" + std::to_string(m_lineNo) + ": " + what);
}

void LineReader::checkText(const std::string& line) const {
    if (const text::TextFault f = text::CheckUtf8Line(line)) fail(f.what);
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
    if (!m_in.next(head)) throw Error(path + ": 檔案是空的 (the file is empty; a header line was expected)");
    if (head.size() >= 3 && head.compare(0, 3, "\xEF\xBB\xBF") == 0) head.erase(0, 3);
    auto names = SplitTabs(head);
    for (std::size_t i = 0; i < names.size(); ++i)
        m_index.emplace(text::Trim(names[i]), i);
    for (const auto& r : required)
        if (!m_index.count(r))
            m_in.fail("標題列缺少欄位「" + r + "」(the header has no column \"" + r + "\"; found: " + head +
                      ")");
}

bool TsvReader::next() {
    std::string line;
    while (m_in.next(line)) {
        if (text::Trim(line).empty()) continue;
        m_fields = SplitTabs(line);
        for (const auto& [name, i] : m_index)
            if (i >= m_fields.size())
                m_in.fail("欄數不足 (expected " + std::to_string(m_index.size()) +
                          " tab-separated fields, found " + std::to_string(m_fields.size()));
        return true;
    }
    return false;
}

const std::string& TsvReader::get(const std::string& column) const {
    auto it = m_index.find(column);
    if (it == m_index.end()) m_in.fail("no column \"" + column + "\"");
    return m_fields[it->second];
}

namespace {

// The bytes of a comma-separated file as UTF-8 text; a fault (bytes that are
// not text in the file's encoding) is thrown as "PLACE:LINE: what".
std::string CsvText(const std::string& raw, const std::string& place) {
    text::DecodedText d = text::DecodeTextFile(raw);
    if (d.fault) throw Error(place + ":" + std::to_string(d.fault.line) + ": " + d.fault.what);
    return std::move(d.utf8);
}

struct CsvParse {
    std::vector<CsvFile::Row> rows;
    int openQuoteLine = 0; // the line of a quote still open at the end, 0 when none
};

CsvParse ParseCsvRows(const std::string& bytes) {
    CsvParse out;
    CsvFile::Row row;
    std::string field;
    bool quoted = false, any = false;
    int line = 1;
    row.line = 1;
    auto endRow = [&](int nextLine) {
        if (any || !field.empty()) {
            row.fields.push_back(std::move(field));
            out.rows.push_back(std::move(row));
        }
        row = CsvFile::Row{};
        row.line = nextLine;
        field.clear();
        any = false;
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (quoted) {
            if (c == '"' && i + 1 < bytes.size() && bytes[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                if (c == '\n') ++line;
                field += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
            any = true;
            out.openQuoteLine = line;
        } else if (c == ',') {
            row.fields.push_back(std::move(field));
            field.clear();
            any = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            endRow(++line);
        } else {
            field += c;
        }
    }
    if (!quoted) out.openQuoteLine = 0;
    endRow(line);
    return out;
}

std::string JoinNames(const std::vector<std::string>& names) {
    std::string s;
    for (const auto& n : names)
        s += (s.empty() ? "" : ", ") + n;
    return s;
}

} // namespace

std::vector<std::vector<std::string>> ParseCsv(const std::string& raw) {
    std::vector<std::vector<std::string>> rows;
    for (auto& r : ParseCsvRows(CsvText(raw, "CSV")).rows)
        rows.push_back(std::move(r.fields));
    return rows;
}

CsvFile::CsvFile(const std::string& path, const std::vector<std::string>& header)
    : m_path(path), m_header(header) {
    std::ifstream f(text::PathFromUtf8(path), std::ios::binary);
    if (!f) throw Error(path + ": 無法開啟檔案 (cannot be opened: " + std::strerror(errno) + ")");
    std::stringstream ss;
    ss << f.rdbuf();
    CsvParse parsed = ParseCsvRows(CsvText(ss.str(), path));
    if (parsed.rows.empty())
        throw Error(path + ":1: 檔案是空的 (the file is empty; a header line was expected)");
    std::vector<std::string> found;
    for (const auto& h : parsed.rows.front().fields)
        found.push_back(text::Trim(h));
    if (found != header)
        throw Error(path + ":1: 標題列與預期不同，這不是所需的檔案 (the header differs; expected: " +
                    JoinNames(header) + "; found: " + JoinNames(found) + ")");
    m_rows.assign(std::make_move_iterator(parsed.rows.begin() + 1),
                  std::make_move_iterator(parsed.rows.end()));
    // A quote left open swallows the rest of the file into its row: the rows
    // before it are checked first, since a stray quote earlier usually shows as
    // a row of the wrong width at the line where it was typed.
    for (const auto& r : m_rows) {
        if (parsed.openQuoteLine && r.line >= parsed.openQuoteLine) break;
        if (r.fields.size() != header.size())
            fail(r, "這一列有 " + std::to_string(r.fields.size()) + " 欄，應有 " +
                        std::to_string(header.size()) + " 欄 (expected " + std::to_string(header.size()) +
                        " comma-separated fields, found " + std::to_string(r.fields.size()) + ")");
    }
    if (parsed.openQuoteLine)
        throw Error(path + ":" + std::to_string(parsed.openQuoteLine) +
                    ": 引號沒有結束 (a quoted field is not closed before the end of the file)");
}

const std::string& CsvFile::get(const Row& row, const std::string& column) const {
    auto it = std::find(m_header.begin(), m_header.end(), column);
    if (it == m_header.end()) fail(row, "no column \"" + column + "\"");
    return row.fields[static_cast<std::size_t>(it - m_header.begin())];
}

void CsvFile::fail(const Row& row, const std::string& what) const {
    throw Error(m_path + ":" + std::to_string(row.line) + ": " + what);
}

} // namespace dbbuild

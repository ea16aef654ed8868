// Reading the release files: plain or xz-compressed text, tab-separated tables
// with a header, comma-separated spreadsheet exports.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cmd_build.h"
#include "text/text.h"

namespace icdtool::build {

namespace {
bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
} // namespace

LineReader::LineReader(const std::string& path) : m_path(path) {
    if (::access(path.c_str(), R_OK) != 0)
        throw Error(path + ": cannot be read (" + std::strerror(errno) + ")");
    if (!EndsWith(path, ".xz")) {
        m_file = std::fopen(path.c_str(), "rb");
        if (!m_file) throw Error(path + ": cannot be opened (" + std::strerror(errno) + ")");
        return;
    }
    // xz -dc FILE, without a shell, so any file name is safe.
    int fds[2];
    if (::pipe(fds) != 0) throw Error(path + ": cannot start xz (" + std::strerror(errno) + ")");
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw Error(path + ": cannot start xz (" + std::strerror(errno) + ")");
    }
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execlp("xz", "xz", "-dc", "--", path.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    m_pid = pid;
    m_file = ::fdopen(fds[0], "rb");
    if (!m_file) {
        ::close(fds[0]);
        throw Error(path + ": cannot read the output of xz");
    }
}

LineReader::~LineReader() {
    if (m_file) std::fclose(m_file);
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int st = 0;
        ::waitpid(m_pid, &st, 0);
    }
    std::free(m_buf);
}

bool LineReader::next(std::string& line) {
    ssize_t n = ::getline(&m_buf, &m_cap, m_file);
    if (n < 0) {
        if (m_pid > 0) {
            // The end of the decompressed text: xz must have finished cleanly.
            std::fclose(m_file);
            m_file = nullptr;
            int st = 0;
            ::waitpid(m_pid, &st, 0);
            m_pid = -1;
            if (!WIFEXITED(st) || WEXITSTATUS(st) != 0)
                throw Error(m_path + ": cannot be decompressed (xz " +
                            (WIFEXITED(st) && WEXITSTATUS(st) == 127 ? std::string("is not installed")
                                                                     : std::string("failed")) +
                            ")");
        }
        return false;
    }
    ++m_lineNo;
    line.assign(m_buf, static_cast<std::size_t>(n));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return true;
}

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

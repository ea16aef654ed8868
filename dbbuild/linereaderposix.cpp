// Reading a release file line by line on POSIX systems: plain text as it is,
// ".xz" files through an `xz -dc` child process.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "dbbuild/build.h"

namespace dbbuild {

LineReader::LineReader(const std::string& path) : m_path(path) {
    if (::access(path.c_str(), R_OK) != 0)
        throw Error(path + ": 無法讀取檔案 (cannot be read: " + std::strerror(errno) + ")");
    if (!path.ends_with(".xz")) {
        m_file = std::fopen(path.c_str(), "rb");
        if (!m_file) throw Error(path + ": 無法開啟檔案 (cannot be opened: " + std::strerror(errno) + ")");
        return;
    }
    // xz -dc FILE, without a shell, so any file name is safe.
    int fds[2];
    if (::pipe(fds) != 0) throw Error(path + ": 無法啟動解壓縮程式 xz (" + std::strerror(errno) + ")");
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw Error(path + ": 無法啟動解壓縮程式 xz (" + std::strerror(errno) + ")");
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
        throw Error(path + ": 無法讀取 xz 解壓縮的結果");
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
                throw Error(
                    m_path + ": 無法解壓縮 (cannot be decompressed: xz " +
                    (WIFEXITED(st) && WEXITSTATUS(st) == 127 ? std::string("未安裝") : std::string("失敗")) +
                    ")");
        }
        return false;
    }
    ++m_lineNo;
    line.assign(m_buf, static_cast<std::size_t>(n));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    checkText(line);
    return true;
}

} // namespace dbbuild

#pragma once
// Writers run as processes of their own, the way a clinic runs them: started,
// waited for, or killed at a chosen moment. Their standard output and error go
// to a file, read back when they end.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "testsupport/testsupport.h"

namespace reliability {

struct ChildOutcome {
    bool exited = false; // ended by itself (status below), otherwise ended by a signal
    int status = -1;
    int signal = 0;
    std::string output; // standard output and error together
    bool ok() const { return exited && status == 0; }
};

class ChildProcess {
public:
    // Starts argv[0] with the arguments; inChild runs in the child just before
    // the program replaces it (limits, rights).
    ChildProcess(const std::vector<std::string>& argv, const std::string& outputFile,
                 const std::function<void()>& inChild = {})
        : m_outputFile(outputFile) {
        m_pid = ::fork();
        if (m_pid == 0) {
            int fd = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd >= 0) {
                ::dup2(fd, STDOUT_FILENO);
                ::dup2(fd, STDERR_FILENO);
                ::close(fd);
            }
            if (inChild) inChild();
            std::vector<char*> args;
            for (const auto& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
    }
    ~ChildProcess() {
        if (m_pid > 0 && !m_done) {
            ::kill(m_pid, SIGKILL);
            wait();
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_pid > 0; }
    void kill() { ::kill(m_pid, SIGKILL); }
    ChildOutcome wait() {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_done = true;
        ChildOutcome o;
        o.exited = WIFEXITED(status);
        o.status = o.exited ? WEXITSTATUS(status) : -1;
        o.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        std::error_code ec;
        if (std::filesystem::exists(m_outputFile, ec)) o.output = testsupport::ReadFile(m_outputFile);
        return o;
    }

private:
    std::string m_outputFile;
    pid_t m_pid = -1;
    bool m_done = false;
};

// Runs a command to its end.
inline ChildOutcome RunChild(const std::vector<std::string>& argv, const std::string& outputFile,
                             const std::function<void()>& inChild = {}) {
    ChildProcess child(argv, outputFile, inChild);
    return child.wait();
}

} // namespace reliability

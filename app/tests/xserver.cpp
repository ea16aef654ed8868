#include "xserver.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <xcb/xcb.h>

extern char** environ;

namespace testsupport {

namespace {

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

pid_t Spawn(const std::vector<std::string>& args, int closeInChild = -1, bool quiet = true,
            const std::string& log = "/dev/null") {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (closeInChild >= 0) posix_spawn_file_actions_addclose(&actions, closeInChild);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

} // namespace

XServer::~XServer() {
    stop(m_wm);
    stop(m_xvfb);
}

void XServer::stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

pid_t XServer::spawn(const std::vector<std::string>& argv) {
    return Spawn(argv, -1, false);
}

bool XServer::start(bool withWindowManager) {
    // Another program starting its own server at the same moment may take the
    // display number this one chose; a second attempt picks another.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (startOnce(withWindowManager)) return true;
        if (m_missing) return false;
        stop(m_wm);
        stop(m_xvfb);
        m_wm = m_xvfb = -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
}

bool XServer::startOnce(bool withWindowManager) {
    if (!OnPath("Xvfb")) {
        m_why = "Xvfb is not installed (Debian package xvfb)";
        m_missing = true;
        return false;
    }
    if (withWindowManager && !OnPath("openbox")) {
        m_why = "openbox is not installed (Debian package openbox)";
        m_missing = true;
        return false;
    }
    // Xvfb picks a free display number itself and writes it to a pipe once it
    // accepts connections, so two test programs starting servers at the same
    // moment never end up sharing one.
    int fds[2];
    if (pipe(fds) != 0) {
        m_why = "cannot make a pipe for Xvfb";
        return false;
    }
    char xlog[] = "/tmp/icd-xvfb-XXXXXX";
    int xlogFd = mkstemp(xlog);
    if (xlogFd >= 0) close(xlogFd);
    m_xvfb = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x800x24", "-nolisten",
                    "tcp", "-noreset"},
                   fds[0], true, xlogFd >= 0 ? xlog : "/dev/null");
    close(fds[1]);
    std::string number;
    const auto xstart = std::chrono::steady_clock::now();
    while (m_xvfb > 0 && std::chrono::steady_clock::now() - xstart < std::chrono::seconds(15)) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) > 0) {
            char buf[32];
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0) break; // Xvfb exited without a display
            number.append(buf, static_cast<std::size_t>(n));
            if (number.find('\n') != std::string::npos) break;
        }
        int status = 0;
        if (waitpid(m_xvfb, &status, WNOHANG) == m_xvfb) {
            m_xvfb = -1;
            break;
        }
    }
    close(fds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == '\r'))
        number.pop_back();
    const bool up = m_xvfb > 0 && !number.empty();
    if (!up) {
        m_why = "Xvfb did not start";
        if (FILE* f = xlogFd >= 0 ? std::fopen(xlog, "r") : nullptr) {
            char buf[2048];
            std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
            std::fclose(f);
            if (n) m_why += ": " + std::string(buf, n);
        }
        if (xlogFd >= 0) unlink(xlog);
        return false;
    }
    m_display = ":" + number;
    setenv("DISPLAY", m_display.c_str(), 1);
    const bool ready = !withWindowManager || startWindowManager();
    if (!ready) {
        int status = 0;
        if (waitpid(m_xvfb, &status, WNOHANG) == m_xvfb) {
            m_xvfb = -1;
            m_why += "; Xvfb exited";
        }
        if (FILE* f = xlogFd >= 0 ? std::fopen(xlog, "r") : nullptr) {
            char buf[2048];
            std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
            std::fclose(f);
            if (n) m_why += "; Xvfb said: " + std::string(buf, n);
        }
    }
    if (xlogFd >= 0) unlink(xlog);
    return ready;
}

void XServer::stopWindowManager() {
    stop(m_wm);
    m_wm = -1;
}

bool XServer::startWindowManager() {
    // The window manager's messages go to a file, shown when it fails to start.
    char log[] = "/tmp/icd-openbox-XXXXXX";
    int logFd = mkstemp(log);
    if (logFd >= 0) close(logFd);
    m_wm = Spawn({"openbox", "--sm-disable"}, -1, true, logFd >= 0 ? log : "/dev/null");
    const auto start = std::chrono::steady_clock::now();
    bool ready = false;
    while (!ready && std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
        ready = windowManagerReady();
        if (!ready) std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    if (!ready) {
        int status = 0;
        const bool exited = waitpid(m_wm, &status, WNOHANG) == m_wm;
        if (exited) m_wm = -1;
        m_why = "openbox did not start on " + m_display + (exited ? " (it exited)" : " (no answer in 20 s)");
        if (FILE* f = logFd >= 0 ? std::fopen(log, "r") : nullptr) {
            char buf[2048];
            std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
            std::fclose(f);
            if (n) m_why += ": " + std::string(buf, n);
        }
    }
    if (logFd >= 0) unlink(log);
    return ready;
}

bool XServer::windowManagerReady() {
    xcb_connection_t* c = xcb_connect(m_display.c_str(), nullptr);
    bool ready = false;
    if (c && !xcb_connection_has_error(c)) {
        const char name[] = "_NET_SUPPORTING_WM_CHECK";
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), nullptr);
        xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        if (atom && atom->atom != XCB_NONE) {
            xcb_get_property_reply_t* r = xcb_get_property_reply(
                c, xcb_get_property(c, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
            ready = r && xcb_get_property_value_length(r) == 4;
            std::free(r);
        }
        std::free(atom);
    }
    if (c) xcb_disconnect(c);
    return ready;
}

} // namespace testsupport

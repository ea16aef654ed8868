#pragma once
// A private X server for the tests: Xvfb on a free display number in a high
// range (checked by connecting to it), with openbox as its window manager.
// Everything it starts is stopped when it goes away.

#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

class XServer {
public:
    XServer() = default;
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // Starts Xvfb and openbox and waits until the window manager is up (or
    // Xvfb alone). On failure returns false and why() says what was missing.
    bool start(bool withWindowManager = true);
    // Starts openbox on the running server and waits until it manages
    // windows, or stops it (it leaves its root window properties behind).
    bool startWindowManager();
    void stopWindowManager();
    const std::string& display() const { return m_display; }
    const std::string& why() const { return m_why; }
    // True when start() failed because Xvfb or openbox is not installed (tests
    // then skip); any other failure is a fault to report.
    bool programsMissing() const { return m_missing; }

    // Starts a program on this display; returns its process id (-1 on failure).
    pid_t spawn(const std::vector<std::string>& argv);
    // Stops a program started by spawn().
    static void stop(pid_t pid);

private:
    bool startOnce(bool withWindowManager);
    bool windowManagerReady();

    std::string m_display;
    std::string m_why;
    bool m_missing = false;
    pid_t m_xvfb = -1;
    pid_t m_wm = -1;
};

} // namespace testsupport

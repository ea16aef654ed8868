// The hand-off on a real X server with a window manager: a private Xvfb with
// openbox, and the stand-in consultation program as the other program.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include "app/core/handoff.h"
#include "app/platform/x11desktop.h"
#include "db/query.h"
#include "testsupport/testsupport.h"
#include "xserver.h"
#include "testsupport/fakes.h"

namespace {

testsupport::XServer* g_server = nullptr;
std::string g_noServerReason;
bool g_serverMissing = false;

// What the window manager says about windows, read on a connection of our own.
class XProbe {
public:
    XProbe() {
        m_conn = xcb_connect(nullptr, &m_screen);
        m_ready = xcb_ewmh_init_atoms_replies(&m_ewmh, xcb_ewmh_init_atoms(m_conn, &m_ewmh), nullptr);
        m_root = m_ewmh.screens[m_screen]->root;
    }
    ~XProbe() {
        if (m_ready) xcb_ewmh_connection_wipe(&m_ewmh);
        xcb_disconnect(m_conn);
    }

    xcb_window_t activeWindow() {
        xcb_window_t w = XCB_NONE;
        xcb_ewmh_get_active_window_reply(&m_ewmh, xcb_ewmh_get_active_window(&m_ewmh, m_screen), &w, nullptr);
        return w;
    }

    std::vector<xcb_atom_t> states(xcb_window_t w) {
        std::vector<xcb_atom_t> out;
        xcb_ewmh_get_atoms_reply_t r;
        if (xcb_ewmh_get_wm_state_reply(&m_ewmh, xcb_ewmh_get_wm_state(&m_ewmh, w), &r, nullptr)) {
            out.assign(r.atoms, r.atoms + r.atoms_len);
            xcb_ewmh_get_atoms_reply_wipe(&r);
        }
        return out;
    }
    bool has(xcb_window_t w, xcb_atom_t state) {
        auto s = states(w);
        return std::find(s.begin(), s.end(), state) != s.end();
    }
    bool minimised(xcb_window_t w) { return has(w, m_ewmh._NET_WM_STATE_HIDDEN); }
    bool maximised(xcb_window_t w) {
        return has(w, m_ewmh._NET_WM_STATE_MAXIMIZED_VERT) || has(w, m_ewmh._NET_WM_STATE_MAXIMIZED_HORZ);
    }

    // As a task bar minimises a window (ICCCM WM_CHANGE_STATE, IconicState).
    void minimise(xcb_window_t w) {
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = w;
        ev.type = atom("WM_CHANGE_STATE");
        ev.data.data32[0] = 3; // IconicState
        send(ev);
    }
    void maximise(xcb_window_t w) {
        xcb_ewmh_request_change_wm_state(
            &m_ewmh, m_screen, w, XCB_EWMH_WM_STATE_ADD, m_ewmh._NET_WM_STATE_MAXIMIZED_VERT,
            m_ewmh._NET_WM_STATE_MAXIMIZED_HORZ, XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER);
        xcb_flush(m_conn);
    }

    // A window with only the old WM_NAME property (no _NET_WM_NAME).
    xcb_window_t createWindowWithWmName(const std::string& name, xcb_atom_t type) {
        xcb_window_t w = xcb_generate_id(m_conn);
        xcb_create_window(m_conn, XCB_COPY_FROM_PARENT, w, m_root, 10, 10, 200, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(m_conn, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, type, 8,
                            static_cast<uint32_t>(name.size()), name.data());
        xcb_map_window(m_conn, w);
        xcb_flush(m_conn);
        return w;
    }
    void destroy(xcb_window_t w) {
        xcb_destroy_window(m_conn, w);
        xcb_flush(m_conn);
    }
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            m_conn, xcb_intern_atom(m_conn, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        xcb_atom_t a = r ? r->atom : XCB_NONE;
        std::free(r);
        return a;
    }
    xcb_atom_t utf8String() { return m_ewmh.UTF8_STRING; }

private:
    void send(const xcb_client_message_event_t& ev) {
        xcb_send_event(m_conn, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&ev));
        xcb_flush(m_conn);
    }

    xcb_connection_t* m_conn = nullptr;
    xcb_ewmh_connection_t m_ewmh{};
    int m_screen = 0;
    bool m_ready = false;
    xcb_window_t m_root = XCB_NONE;
};

class X11HandOff : public ::testing::Test {
protected:
    void SetUp() override {
        if (!g_server && g_serverMissing)
            GTEST_SKIP() << "no X server for the hand-off test: " << g_noServerReason;
        ASSERT_NE(g_server, nullptr) << "the test's X server did not start: " << g_noServerReason;
        desktop = std::make_unique<app::X11Desktop>();
        ASSERT_TRUE(desktop->isConnected());
        probe = std::make_unique<XProbe>();
        ctx = std::make_unique<app::AppContext>(messages, *desktop);
        ctx->connection.open(dir.file("icd10_2023.mdb"), true);
        ctx->connection.exec("CREATE TABLE ICD10 (ICD10_NO TEXT COLLATE NOCASE, ICD10_FLAG TEXT);"
                             "INSERT INTO ICD10 VALUES ('S93401A','Y'),('A000','Y'),('S934','N')");
    }
    void TearDown() override {
        if (standIn > 0) testsupport::XServer::stop(standIn);
    }

    // Starts the stand-in consultation program and waits for its window.
    app::Desktop::WindowId startStandIn() {
        standIn = g_server->spawn({std::string(ICD_BINARY_DIR) + "/bin/consultation_standin", record()});
        EXPECT_GT(standIn, 0);
        std::optional<app::Desktop::WindowId> w;
        (void)QTest::qWaitFor(
            [&] { return (w = desktop->findTopLevelWindow(app::ConsultationWindowTitle)).has_value(); },
            10000);
        EXPECT_TRUE(w.has_value()) << "the stand-in window did not appear";
        return w.value_or(0);
    }
    std::string record() const { return dir.file("received.txt"); }
    std::string recorded() const {
        std::ifstream f(record());
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }

    // A window of this program, active in front of the others.
    void activateOwnWindow() {
        own.setWindowTitle(QStringLiteral("醫師問診作業 ")); // close to the title, but not it
        own.resize(300, 200);
        own.show();
        own.raise();
        own.activateWindow();
        // A window shown without any user input may be mapped without focus, and
        // a window manager just started may miss the first request: ask again,
        // the way a task bar asks, until it is active.
        QElapsedTimer waited;
        waited.start();
        while (probe->activeWindow() != own.winId() && waited.elapsed() < 10000) {
            desktop->bringToFront(own.winId());
            QTest::qWait(250);
        }
        ASSERT_EQ(probe->activeWindow(), own.winId()) << "the test's own window did not become active";
    }

    testsupport::TempDir dir;
    testsupport::RecordingMessages messages;
    std::unique_ptr<app::X11Desktop> desktop;
    std::unique_ptr<app::AppContext> ctx; // made once the X11 desktop is there
    std::unique_ptr<XProbe> probe;
    pid_t standIn = -1;
    QWidget own;
};

} // namespace

TEST_F(X11HandOff, finestCodeReachesTheConsultationWindowWhichIsRaisedAndRestored) {
    const auto standin = startStandIn();
    ASSERT_NE(standin, 0u);
    EXPECT_EQ(desktop->windowTitle(standin), app::ConsultationWindowTitle);

    // Minimised, behind this program's window.
    activateOwnWindow();
    probe->minimise(static_cast<xcb_window_t>(standin));
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe->minimised(static_cast<xcb_window_t>(standin)); }, 5000));

    db::Query aux(ctx->connection);
    app::HandOffFinestCode(*ctx, aux, "S93401A");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("|ICD10|S93401A"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return probe->activeWindow() == standin; }, 5000)) << "not raised";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !probe->minimised(static_cast<xcb_window_t>(standin)); }, 5000))
        << "not restored from minimised";
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorded() == "|ICD10|S93401A\n"; }, 5000))
        << "the stand-in received: " << recorded();

    // Maximised and behind again: brought back to its normal size.
    probe->maximise(static_cast<xcb_window_t>(standin));
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe->maximised(static_cast<xcb_window_t>(standin)); }, 5000));
    activateOwnWindow();
    app::HandOffFinestCode(*ctx, aux, "A000");
    EXPECT_TRUE(QTest::qWaitFor([&] { return probe->activeWindow() == standin; }, 5000)) << "not raised";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !probe->maximised(static_cast<xcb_window_t>(standin)); }, 5000))
        << "not restored from maximised";
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorded() == "|ICD10|S93401A\n|ICD10|A000\n"; }, 5000))
        << "the stand-in received: " << recorded();
    EXPECT_TRUE(messages.shown.empty());

    // A code that is not finest: the message, and nothing else changes.
    activateOwnWindow();
    app::HandOffFinestCode(*ctx, aux, "S934");
    EXPECT_EQ(messages.shown, std::vector<std::string>{"非最細碼無法使用"});
    QTest::qWait(300);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("|ICD10|A000"));
    EXPECT_EQ(probe->activeWindow(), own.winId());
    EXPECT_EQ(recorded(), "|ICD10|S93401A\n|ICD10|A000\n");
}

TEST_F(X11HandOff, withoutTheConsultationWindowTheUserIsToldAndTheClipboardStaysAsItWas) {
    activateOwnWindow();
    QGuiApplication::clipboard()->setText(QStringLiteral("what the user copied"));
    EXPECT_FALSE(desktop->findTopLevelWindow(app::ConsultationWindowTitle).has_value());

    db::Query aux(ctx->connection);
    EXPECT_EQ(app::HandOffFinestCode(*ctx, aux, "S93401A"), app::HandOffOutcome::NoConsultationWindow);
    EXPECT_FALSE(app::HandOffCode(*desktop, "A000"));
    QTest::qWait(300);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("what the user copied"));
    EXPECT_EQ(probe->activeWindow(), own.winId());
    EXPECT_EQ(messages.shown, std::vector<std::string>{app::ConsultationMissingMessage});
}

TEST_F(X11HandOff, consultationProgramStartedLaterIsFound_andOnceClosedTheUserIsTold) {
    // This program's window first, the consultation program after it.
    activateOwnWindow();
    db::Query aux(ctx->connection);
    EXPECT_FALSE(app::ConsultationWindowExists(*desktop));
    startStandIn();
    EXPECT_TRUE(app::ConsultationWindowExists(*desktop));
    EXPECT_EQ(app::HandOffFinestCode(*ctx, aux, "S93401A"), app::HandOffOutcome::HandedOff);
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorded() == "|ICD10|S93401A\n"; }, 5000))
        << "the stand-in received: " << recorded();

    // Closed while this program runs: the next hand-off says so and leaves the
    // clipboard alone.
    testsupport::XServer::stop(standIn);
    standIn = -1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app::ConsultationWindowExists(*desktop); }, 5000));
    activateOwnWindow();
    QGuiApplication::clipboard()->setText(QStringLiteral("copied since"));
    EXPECT_EQ(app::HandOffFinestCode(*ctx, aux, "A000"), app::HandOffOutcome::NoConsultationWindow);
    QTest::qWait(300);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("copied since"));
    EXPECT_EQ(messages.shown, std::vector<std::string>{app::ConsultationMissingMessage});
}

TEST_F(X11HandOff, windowsWithOnlyTheOldTitlePropertyAreFoundByTheirExactTitle) {
    activateOwnWindow(); // the window manager is managing windows by now
    const xcb_window_t utf8 =
        probe->createWindowWithWmName(app::ConsultationWindowTitle, probe->utf8String());
    const xcb_window_t latin1 = probe->createWindowWithWmName("Consultation caf\xe9", XCB_ATOM_STRING);
    std::optional<app::Desktop::WindowId> found;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return (found = desktop->findTopLevelWindow(app::ConsultationWindowTitle)).has_value(); },
        15000));
    EXPECT_EQ(found, std::optional<app::Desktop::WindowId>(utf8));
    // The window manager takes each window in its own time.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return desktop->findTopLevelWindow("Consultation café").has_value(); }, 15000));
    EXPECT_EQ(desktop->findTopLevelWindow("Consultation café"),
              std::optional<app::Desktop::WindowId>(latin1));
    EXPECT_FALSE(desktop->findTopLevelWindow("Consultation").has_value()); // the whole title, not a part
    EXPECT_FALSE(desktop->findTopLevelWindow("醫師問診").has_value());

    // Gone once its window is destroyed.
    probe->destroy(utf8);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !desktop->findTopLevelWindow(app::ConsultationWindowTitle).has_value(); }, 5000));
    probe->destroy(latin1);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (as CTest does at build time) needs no X server.
    std::unique_ptr<testsupport::XServer> server;
    if (!GTEST_FLAG_GET(list_tests)) {
        server = std::make_unique<testsupport::XServer>();
        if (server->start()) {
            g_server = server.get();
            qputenv("QT_QPA_PLATFORM", "xcb");
        } else {
            g_noServerReason = server->why();
            g_serverMissing = server->programsMissing();
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int rc = 0;
    {
        QApplication application(argc, argv);
        rc = RUN_ALL_TESTS();
    }
    return rc;
}

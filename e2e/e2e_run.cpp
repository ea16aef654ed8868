// End-to-end run of icd10tcm on a private X server with openbox, driven like a
// user would drive it: windows are found by their titles, controls by their
// places in the program's form headers, and every step waits for what it
// should bring about (a window with a title, a file holding a text, a part of
// the screen changing) instead of sleeping.
//
//   e2e_run BIN_DIR OUT_DIR
//
// BIN_DIR holds icd10tcm with icd10_2023.mdb and qa.txt beside it, the stand-in
// consultation program (consultation_standin) and e2e_vanished_window. OUT_DIR
// receives a screenshot of every step, the programs' output and what the
// stand-in received. Exit status: 0 passed, 1 failed, 77 skipped (Xvfb or
// openbox missing).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QWidget>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/tests/xserver.h"
#include "ui_outlinewindow.h"
#include "ui_treewindow.h"
#include "ui_quizwindow.h"
#include "ui_searchwindow.h"
#include "ui_mainmenu.h"
#include "testsupport/testsupport.h"
#include "dbbuild/clinicbuild.h"
#include "xdriver.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;

const std::string kMenuTitle = "ICD-10-CM 2023 中醫編碼參考與教學系統";
const std::string kSearchTitle = "ICD-10-CM 編碼查詢";
const std::string kOutlineTitle = "ICD-10章節層次瀏覽";
const std::string kOutline11Title = "ICD-11中醫章節層次瀏覽";
const std::string kTreeTitle = "ICD-10樹狀瀏覽";
const std::string kTree11Title = "中醫ICD-11樹狀瀏覽";
const std::string kQuizTitle = "ICD-10評量測驗";
const std::string kChooserTitle = "選擇最細碼";
const std::string kConsultTitle = "醫師問診作業";
const std::string kBuildTitle = "建立完整資料庫";
const std::string kNotesTitle = "編碼指引";
const std::string kIndexTitle = "ICD-10-CM 索引查詢";

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Places of the controls in a window's client area, read from its form.
template <class Form> class Layout {
public:
    Layout() {
        m_ui.setupUi(&m_top);
        // Forms with layouts place their controls once shown (on no screen:
        // this program runs on the offscreen platform).
        m_top.setAttribute(Qt::WA_DontShowOnScreen);
        m_top.show();
    }

    const Form& ui() const { return m_ui; }
    QPoint centre(const QWidget* w) const {
        return w->mapTo(&m_top, QPoint(w->width() / 2, w->height() / 2));
    }
    QRect rect(const QWidget* w) const { return QRect(w->mapTo(&m_top, QPoint(0, 0)), w->size()); }
    QSize size() const { return m_top.size(); }

private:
    QWidget m_top;
    Form m_ui;
};

pid_t Spawn(const std::vector<std::string>& args, const std::string& log) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class Run {
public:
    Run(std::string bin, std::string out) : m_bin(std::move(bin)), m_out(std::move(out)) {}
    ~Run() {
        stopProgram();
        testsupport::XServer::stop(m_standin);
    }

    int main();

private:
    // --- processes ---------------------------------------------------------
    bool running(pid_t& pid) {
        if (pid <= 0) return false;
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == 0) return true;
        m_lastStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        pid = -1;
        return false;
    }
    void stopProgram() {
        testsupport::XServer::stop(m_program);
        m_program = -1;
    }
    void startStandin(const std::string& record, bool quitOnText = false) {
        std::vector<std::string> args{m_bin + "/consultation_standin"};
        if (quitOnText) args.push_back("--quit-on-text");
        args.push_back(record);
        m_standin = Spawn(args, m_out + "/standin.log");
        m_consult = m_x.waitWindow(kConsultTitle);
        if (!m_consult) fail("the stand-in consultation window did not appear");
        // Top left and narrow, clear of the program's windows, which open at
        // the centre of the 1280-pixel screen (x 284 to 996).
        m_x.move(m_consult, 0, 24, 270, 300);
        WaitForOrFail([&] { return m_x.origin(m_consult).x() <= 20 && m_x.width(m_consult) <= 280; },
                      "the consultation window could not be moved");
    }
    void startProgram() {
        m_program = Spawn({m_bin + "/icd10tcm"}, m_out + "/program.log");
        m_menu = m_x.waitWindow(kMenuTitle, 15s);
        if (!m_menu) fail("the main menu did not appear");
        settle();
    }
    // Ends the program with the menu's close picture; it must end by itself.
    void closeProgram() {
        m_x.click(m_menu, m_menuForm.centre(m_menuForm.ui().exitButton));
        if (!e2e::WaitFor([&] { return !running(m_program); }, 10s))
            fail("the program did not end on the menu's close picture");
        if (m_lastStatus != 0) fail("the program ended with status " + std::to_string(m_lastStatus));
    }

    // --- screen ------------------------------------------------------------
    // Waits until two screen images in a row are nearly alike (a blinking
    // text cursor is allowed for) and returns the last.
    QImage settle() {
        QImage a = m_x.grab();
        for (int i = 0; i < 20; ++i) {
            std::this_thread::sleep_for(150ms);
            QImage b = m_x.grab();
            if (e2e::PixelsDiffer(a, b) < 60) return b;
            a = b;
        }
        return a;
    }
    // A settled screenshot, numbered in step order.
    QImage shot(const std::string& name) {
        QImage image = settle();
        char number[16];
        std::snprintf(number, sizeof number, "%02d-", ++m_step);
        m_shotName = number + m_phase + name + ".png";
        image.save(QString::fromStdString(m_out + "/" + m_shotName));
        return image;
    }
    void fail(const std::string& what) { throw Failure(what); }
    void WaitForOrFail(const std::function<bool()>& condition, const std::string& what,
                       std::chrono::milliseconds limit = 5s) {
        if (!e2e::WaitFor(condition, limit)) fail(what);
    }
    void expectColour(const QImage& shot, xcb_window_t w, QPoint at, const std::string& colour,
                      const std::string& what) {
        const std::string found = e2e::ColourName(m_x.pixel(shot, w, at));
        if (found != colour)
            fail(what + ": expected " + colour + " at (" + std::to_string(at.x()) + ", " +
                 std::to_string(at.y()) + "), found " + found + " (see " + m_shotName + ")");
    }
    // Waits until a part of a window differs from an earlier image of it by
    // more than `least` pixels; returns how many differ at the end.
    int waitChange(xcb_window_t w, QRect area, const QImage& before, int least,
                   std::chrono::milliseconds limit = 5s) {
        int d = 0;
        e2e::WaitFor([&] { return (d = e2e::PixelsDiffer(before, m_x.crop(m_x.grab(), w, area))) > least; },
                     limit);
        return d;
    }
    // Waits until a file holds exactly these lines.
    void expectReceived(const std::string& file, const std::string& what,
                        const std::vector<std::string>& lines) {
        std::string expected;
        for (const auto& l : lines)
            expected += l + "\n";
        if (e2e::WaitFor([&] { return ReadFile(file) == expected; }, 5s)) return;
        fail(what + "\n--- expected:\n" + expected + "--- received:\n" + ReadFile(file));
    }
    void expectActive(xcb_window_t w, const std::string& what) {
        if (!m_x.waitActive(w)) fail(what);
    }
    // A message box of the program: a second window with the program's
    // title, answered with Enter.
    void expectMessageBox(const std::string& what, const std::string& shotName) {
        WaitForOrFail([&] { return m_x.visibleCount(kMenuTitle) >= 2; }, what + ": no message box");
        shot(shotName);
        m_x.keys({"Return"});
        WaitForOrFail([&] { return m_x.visibleCount(kMenuTitle) < 2; },
                      what + ": the message box did not close on Enter");
    }
    // Launches a working window from a menu picture.
    xcb_window_t launch(const QWidget* picture, const std::string& title) {
        m_x.click(m_menu, m_menuForm.centre(picture));
        xcb_window_t w = m_x.waitWindow(title);
        if (!w) fail("the window \"" + title + "\" did not open from the menu");
        return w;
    }
    void closeWithPicture(xcb_window_t w, QPoint at, const std::string& title) {
        m_x.click(w, at);
        if (!m_x.waitGone(title)) fail("the close picture of \"" + title + "\" did not close it");
    }
    void vanishedWindowChecks(const std::string& where) {
        const std::string log = m_out + "/vanished-window-" + where + ".log";
        pid_t pid = Spawn({m_bin + "/e2e_vanished_window"}, log);
        int status = 0;
        if (pid <= 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            fail("the X11 desktop did not cope with vanishing windows (" + where + ")\n" + ReadFile(log));
        std::printf("windows vanishing during a hand-off: handled (%s)\n", where.c_str());
    }

    void searchAndHandOff(const std::string& record);
    void outline(const std::string& record);
    void tree(const std::string& record);
    void quiz();
    void codersGuide(const std::string& record);
    void vanishingConsultation();
    // A Chinese name typed into the search window; returns how many pixels of
    // the result rows changed.
    int searchChineseName(const std::string& name, const std::string& shotName);
    void buildFullDatabase();
    void firstRun();
    void secondRun();
    void thirdRun();
    bool startServer(bool withWindowManager);
    // Waits until a window that was clicked takes the keyboard (with a window
    // manager; without one the keys go to the window under the pointer).
    void focusOn(xcb_window_t w, const std::string& what) {
        if (m_managed) expectActive(w, what + " did not become active on a click");
    }

    std::string m_bin, m_out, m_phase, m_shotName;
    int m_step = 0;
    int m_lastStatus = 0;
    pid_t m_program = -1, m_standin = -1;
    std::unique_ptr<testsupport::XServer> m_server;
    bool m_managed = true; // a window manager is running: activation can be checked
    e2e::XDriver m_x;
    xcb_window_t m_menu = 0, m_consult = 0, m_search = 0;
    Layout<Ui::MainMenu> m_menuForm;
    Layout<Ui::SearchWindow> m_searchForm;
    Layout<Ui::OutlineWindow> m_outlineForm;
    Layout<Ui::QuizWindow> m_quizForm;
    Layout<Ui::TreeWindow> m_treeForm;
};

// The search window: S93.4 with Enter, a code that is not finest refused, a
// finest code handed to the consultation program.
void Run::searchAndHandOff(const std::string& record) {
    const auto& ui = m_searchForm.ui();
    m_search = launch(m_menuForm.ui().searchButton, kSearchTitle);
    const QPoint handOff = m_searchForm.centre(ui.handOffButton);
    // The first grid row's middle, and the rows' part of the grid.
    const QRect grid = m_searchForm.rect(ui.resultGrid);
    const QPoint firstRow(200, grid.top() + 29);
    const QRect rows(20, grid.top() + 23, 680, 170);
    QImage s = shot("search-opened");
    expectColour(s, m_search, handOff + QPoint(-7, -11), "red",
                 "the search window's hand-off picture (the consultation program was running at start)");
    const QImage empty = m_x.crop(s, m_search, rows);

    m_x.click(m_search, m_searchForm.centre(ui.codeEdit));
    m_x.type("S93.4");
    m_x.keys({"Return"});
    if (waitChange(m_search, rows, empty, 1000) <= 1000) {
        shot("search-S93.4");
        fail("Enter in the ICD10 code box with S93.4 showed no rows");
    }
    shot("search-S93.4");

    // The first row is S934, not a finest code: the message, nothing handed.
    m_x.click(m_search, firstRow);
    m_x.click(m_search, handOff);
    expectMessageBox("the hand-off of S934", "search-not-finest-message");
    // After the message the billable codes under S934 are offered; Esc cancels.
    const xcb_window_t chooser = m_x.waitWindow(kChooserTitle);
    if (!chooser) fail("no chooser of the billable codes under S934 after the message");
    shot("search-S934-chooser");
    m_x.click(chooser, QPoint(m_x.width(chooser) / 2, 60)); // its filter box, for the keys
    m_x.keys({"Escape"});
    if (!m_x.waitGone(kChooserTitle)) fail("Esc did not close the chooser of billable codes");
    if (!ReadFile(record).empty()) fail("a code that is not finest reached the consultation program");

    // The fourth row is S93401A (S934, S9340, S93401, S93401A in code order).
    m_x.click(m_search, firstRow);
    focusOn(m_search, "the search window");
    m_x.keys({"Down", "Down", "Down"});
    shot("search-S93401A-selected");
    m_x.click(m_search, handOff);
    expectReceived(record, "the consultation program did not receive |ICD10|S93401A from the search",
                   {"|ICD10|S93401A"});
}

// The outline: chapter 1 down to A000, pinned, handed off to the consultation
// window while it is minimised; Home; a fresh browser after a relaunch.
void Run::outline(const std::string& record) {
    const auto& ui = m_outlineForm.ui();
    const QPoint box = m_outlineForm.rect(ui.tileArea).topLeft();
    // Tile rows are 32 pixels high; the entries under level L are in rows
    // L, L+1, ...
    auto row = [&](int n) { return box + QPoint(74, n == 0 ? 21 : n * 32 + 15); };
    const QRect tiles(box + QPoint(4, 0), QSize(300, 300));
    const QRect pin1 = m_outlineForm.rect(ui.pinSlot1).adjusted(2, 2, -2, -2);
    const QRect pin2 = m_outlineForm.rect(ui.pinSlot2).adjusted(2, 2, -2, -2);
    const QPoint handOff = m_outlineForm.centre(ui.handOffArrow1);
    const QPoint close = m_outlineForm.centre(ui.closeButton);

    xcb_window_t w = launch(m_menuForm.ui().icd10OutlineButton, kOutlineTitle);
    QImage s = shot("outline-chapters");
    expectColour(s, w, handOff + QPoint(-7, 3), "red", "the outline's first hand-off arrow");
    const QImage pin1Empty = m_x.crop(s, w, pin1);
    const QImage pin2Empty = m_x.crop(s, w, pin2);
    const QImage chapters = m_x.crop(s, w, tiles);
    m_x.click(w, row(0));
    m_x.parkPointer();
    if (waitChange(w, tiles, chapters, 1000) <= 1000) {
        shot("outline-chapter-1");
        fail("chapter tile 1 did not open the chapter");
    }
    s = shot("outline-chapter-1");
    expectColour(s, w, box + QPoint(230, 22), "blue", "the chapter's path tile");
    int n = 1;
    for (const char* entry : {"A00-A99", "A00-A09", "A00"}) {
        const QImage before = m_x.crop(s, w, tiles);
        m_x.click(w, row(n));
        m_x.parkPointer(); // the tile's tooltip would cover the path tiles
        waitChange(w, tiles, before, 30);
        s = shot(std::string("outline-") + entry);
        expectColour(s, w, box + QPoint(270, n * 32 + 22), "green", std::string("the path tile of ") + entry);
        ++n;
    }
    // A000 is the first entry under level 4: a finest code, pinned to slot 1.
    m_x.click(w, row(4));
    m_x.parkPointer();
    const int pinned = waitChange(w, pin1, pin1Empty, 300);
    s = shot("outline-A000-pinned");
    if (pinned <= 300) fail("A000 was not pinned to the first slot");
    const QImage pin1A000 = m_x.crop(s, w, pin1);
    m_x.click(w, row(4));
    s = shot("outline-A000-pinned-again");
    if (e2e::PixelsDiffer(pin2Empty, m_x.crop(s, w, pin2)) >= 30) fail("A000 was pinned twice");
    // The consultation window minimised first: the hand-off restores it.
    m_x.minimise(m_consult);
    if (!m_x.waitGone(kConsultTitle)) fail("the consultation window could not be minimised");
    shot("consultation-minimised");
    m_x.click(w, handOff);
    expectReceived(record, "the consultation program did not receive |ICD10|A000 from the outline",
                   {"|ICD10|S93401A", "|ICD10|A000"});
    expectActive(
        m_consult,
        "the consultation window was not restored and brought to the front by the outline's hand-off");
    if (m_x.visibleCount(kConsultTitle) != 1)
        fail("the consultation window is still minimised after the hand-off");
    shot("outline-handed-off");
    m_x.click(w, m_outlineForm.centre(ui.homeButton));
    WaitForOrFail([&] { return e2e::PixelsDiffer(chapters, m_x.crop(m_x.grab(), w, tiles)) < 30; },
                  "Home did not bring back the chapter tiles");
    s = shot("outline-home");
    if (e2e::PixelsDiffer(pin1A000, m_x.crop(s, w, pin1)) >= 30) fail("Home lost the pinned code");
    closeWithPicture(w, close, kOutlineTitle);
    // Launched again: a new browser, with empty pin slots.
    w = launch(m_menuForm.ui().icd10OutlineButton, kOutlineTitle);
    s = shot("outline-relaunched");
    if (e2e::PixelsDiffer(pin1Empty, m_x.crop(s, w, pin1)) >= 30)
        fail("the outline browser launched again still held the pinned code");
    closeWithPicture(w, close, kOutlineTitle);
}

// The tree: S934 shown from the code box, expanded, S93401D handed off, the
// window closed from its title bar.
void Run::tree(const std::string& record) {
    const auto& ui = m_treeForm.ui();
    const QRect area(80, 40, 600, 440); // the tree views' part of the window
    xcb_window_t w = launch(m_menuForm.ui().icd10TreeButton, kTreeTitle);
    QImage s = shot("tree-opened");
    const QImage outlineTree = m_x.crop(s, w, area);
    m_x.click(w, m_treeForm.centre(ui.codeEdit));
    m_x.type("S934");
    m_x.click(w, m_treeForm.centre(ui.showButton));
    const int shown = waitChange(w, area, outlineTree, 1000);
    s = shot("tree-S934");
    if (shown <= 1000) fail("顯示 did not show the tree of S934");
    expectColour(s, w, m_treeForm.rect(ui.backButton).topLeft() + QPoint(30, 16), "green",
                 "the tree's Back picture, shown with the result tree");
    const QImage collapsed = m_x.crop(s, w, area);
    m_x.click(w, m_treeForm.centre(ui.expandAllButton));
    const int expanded = waitChange(w, area, collapsed, 1000);
    shot("tree-S934-expanded");
    if (expanded <= 1000) fail("expand all changed nothing");
    // S934, S9340, S93401, S93401A, S93401D; the first row's middle (the rows
    // are drawn by the tree view, not placed by the form).
    m_x.click(w, QPoint(150, 49));
    expectActive(w, "the tree window did not become active on a click");
    m_x.keys({"Down", "Down", "Down", "Down"});
    shot("tree-S93401D-selected");
    m_x.click(w, m_treeForm.centre(ui.handOffButton));
    expectReceived(record, "the consultation program did not receive |ICD10|S93401D from the tree",
                   {"|ICD10|S93401A", "|ICD10|A000", "|ICD10|S93401D"});
    // Closed from its title bar this time (the window manager's close, Alt+F4).
    m_x.activate(w);
    expectActive(w, "the tree window could not be activated");
    m_x.keys({"alt+F4"});
    if (!m_x.waitGone(kTreeTitle)) fail("the window manager's close did not close the tree window");
    if (!running(m_program)) fail("the program ended when the tree window was closed from its title bar");
    m_x.click(m_menu, QPoint(350, 470));
    expectActive(m_menu, "the menu did not become active when clicked");
    if (m_x.visibleCount(kTreeTitle) != 0) fail("the menu brought back a tree window that had been closed");
    shot("tree-closed-from-title-bar");
}

// The coder's guide: S93401A selected in the search grid and F1 shows its
// notes in the panel, which follows the next row; the index finds "sprain
// ankle", Enter on Sprain › ankle → S93.40- opens the chooser, whose first code
// is handed off; the panel closes with Esc.
void Run::codersGuide(const std::string& record) {
    const auto& ui = m_searchForm.ui();
    m_search = launch(m_menuForm.ui().searchButton, kSearchTitle);
    const QRect grid = m_searchForm.rect(ui.resultGrid);
    m_x.click(m_search, QPoint(200, grid.top() + 29)); // the first row (the grid still holds S93.4)
    focusOn(m_search, "the search window");
    m_x.keys({"Down", "Down", "Down"}); // S93401A
    m_x.keys({"F1"});
    const xcb_window_t notes = m_x.waitWindow(kNotesTitle);
    if (!notes) fail("F1 in the search grid did not show the notes panel");
    const QRect page(12, 60, 400, 400);
    QImage s = shot("guide-notes-S93401A");
    if (m_managed && m_x.activeWindow() != m_search)
        fail("the notes panel took the keyboard from the search grid");
    const QImage before = m_x.crop(s, notes, page);
    m_x.keys({"Down", "Down", "Down", "Down"}); // S93402A: the panel follows
    if (waitChange(notes, page, before, 200) <= 200)
        fail("the notes panel did not follow the grid's selection");
    shot("guide-notes-follow-S93402A");
    m_x.keys({"Up", "Up", "Up", "Up"});
    // (The panel, at the right of the screen, may cover the close picture: Esc.)
    m_x.keys({"Escape"});
    if (!m_x.waitGone(kSearchTitle)) fail("Esc did not close the search window");

    const xcb_window_t index = launch(m_menuForm.ui().indexButton, kIndexTitle);
    focusOn(index, "the index window");
    s = shot("guide-index-opened");
    const QImage empty = m_x.crop(s, index, QRect(10, 60, 600, 300));
    m_x.type("sprain ankle");
    if (waitChange(index, QRect(10, 60, 600, 300), empty, 500) <= 500) {
        shot("guide-index-sprain-ankle");
        fail("typing \"sprain ankle\" in the index window listed nothing");
    }
    shot("guide-index-sprain-ankle");
    m_x.keys({"Return"});
    const xcb_window_t chooser = m_x.waitWindow(kChooserTitle);
    if (!chooser) fail("Enter on Sprain › ankle → S93.40- did not open the chooser of its billable codes");
    shot("guide-index-chooser");
    m_x.keys({"Return"});
    expectReceived(record, "the index's chooser did not hand off S93401A",
                   {"|ICD10|S93401A", "|ICD10|A000", "|ICD10|S93401D", "|ICD10|S93401A"});
    shot("guide-index-handed-off");
    m_x.activate(index);
    expectActive(index, "the index window could not be activated");
    m_x.keys({"Escape"});
    if (!m_x.waitGone(kIndexTitle)) fail("Esc did not close the index window");
    m_x.activate(notes);
    expectActive(notes, "the notes panel could not be activated");
    m_x.keys({"Escape"});
    if (!m_x.waitGone(kNotesTitle)) fail("Esc did not close the notes panel");
}

// The quiz: ten answers to the report, kept after a relaunch.
void Run::quiz() {
    const auto& ui = m_quizForm.ui();
    const QPoint answer1 = m_quizForm.centre(ui.answerButton1);
    const QPoint answer1Number = m_quizForm.rect(ui.answerButton1).topLeft() + QPoint(8, 32);
    const QRect questionAndAnswers = m_quizForm.rect(ui.questionPanel);
    const QRect whole(QPoint(0, 0), m_quizForm.size());
    const QPoint close = m_quizForm.centre(ui.closeButton);
    xcb_window_t w = launch(m_menuForm.ui().quizButton, kQuizTitle);
    QImage s = shot("quiz-question-1");
    expectColour(s, w, answer1Number, "orange", "answer picture 1");
    if (m_x.visibleCount(kMenuTitle) != 1) fail("the quiz showed a message at its first showing");
    for (int n = 1; n <= 10; ++n) {
        // Two presses on one answer picture within the double-click time (400 ms)
        // are one choice, so the next answer waits that long after the last.
        if (n > 1) std::this_thread::sleep_for(std::chrono::milliseconds(450));
        const QImage before = m_x.crop(m_x.grab(), w, questionAndAnswers);
        m_x.click(w, answer1);
        if (waitChange(w, questionAndAnswers, before, 100) <= 100)
            fail("answer " + std::to_string(n) + " did not bring the next question or the report");
        if (n == 5) shot("quiz-question-6");
    }
    s = shot("quiz-report");
    // The report box covers the first answer's orange number; the point may
    // fall on the report's text (the questions come in random order), so only
    // orange fails.
    if (e2e::ColourName(m_x.pixel(s, w, answer1Number)) == "orange")
        fail("the report box (in place of the answers after ten answers): the first answer's number still "
             "shows (see " +
             m_shotName + ")");
    const QImage report = m_x.crop(s, w, whole);
    closeWithPicture(w, close, kQuizTitle);
    w = launch(m_menuForm.ui().quizButton, kQuizTitle);
    s = shot("quiz-relaunched");
    const int d = e2e::PixelsDiffer(report, m_x.crop(s, w, whole));
    if (d >= 200)
        fail("the quiz lost its report when closed and launched again (" + std::to_string(d) +
             " pixels differ)");
    closeWithPicture(w, close, kQuizTitle);
}

// The consultation window closes while it is being raised: the stand-in ends
// the moment the code reaches it. Then the search window hides its hand-off
// picture at its next activation; a consultation program started after it is
// used at once; one closed while the search window stays active is reported
// by the hand-off instead of failing in silence; and an outline made without
// it has no hand-off arrows.
void Run::vanishingConsultation() {
    const auto& ui = m_searchForm.ui();
    const QPoint handOff = m_searchForm.centre(ui.handOffButton);
    const QPoint firstRow(200, m_searchForm.rect(ui.resultGrid).top() + 29);
    m_search = launch(m_menuForm.ui().searchButton, kSearchTitle);
    for (int round = 1; round <= 3; ++round) {
        testsupport::XServer::stop(m_standin);
        m_standin = -1;
        const std::string record = m_out + "/received-vanishing-" + std::to_string(round) + ".txt";
        startStandin(record, true);
        m_x.click(m_search, firstRow);
        expectActive(m_search, "the search window did not become active on a click");
        m_x.keys({"Down", "Down", "Down"});
        m_x.click(m_search, handOff);
        expectReceived(record,
                       "the vanishing consultation window did not receive the code (round " +
                           std::to_string(round) + ")",
                       {"|ICD10|S93401A"});
        if (!e2e::WaitFor([&] { return !running(m_standin); }, 5s))
            fail("the stand-in did not end on receiving the code");
        if (!m_x.waitGone(kConsultTitle)) fail("the stand-in's window stayed after it ended");
        if (!running(m_program))
            fail("the program ended when the consultation window vanished during the hand-off (round " +
                 std::to_string(round) + ")");
    }
    // Gone while the search window is open: its next activation hides the picture.
    const QPoint pictureRed = handOff + QPoint(-7, -11);
    auto pictureShown = [&] { return e2e::ColourName(m_x.pixel(m_x.grab(), m_search, pictureRed)) == "red"; };
    // (Through the menu, which brings the open search window back: a new
    // activation whichever window the window manager chose when the
    // consultation window went.)
    m_x.activate(m_menu);
    expectActive(m_search, "activating the menu did not bring the open search window back");
    WaitForOrFail([&] { return !pictureShown(); },
                  "the search window still offers its hand-off after the consultation window has gone");
    shot("search-after-vanished-consultation");

    // Started after the search window: its next activation shows the picture,
    // and the hand-off reaches it.
    const std::string record = m_out + "/received-started-later.txt";
    startStandin(record);
    // A new activation of the search window, through the menu as above: a
    // click alone may reach the toolkit before it has seen the window lose
    // the focus to the new consultation window, and then activates nothing.
    m_x.activate(m_menu);
    expectActive(m_search, "activating the menu did not bring the open search window back");
    m_x.click(m_search, firstRow);
    focusOn(m_search, "the search window");
    WaitForOrFail(pictureShown,
                  "the search window did not offer its hand-off once the consultation program started");
    m_x.keys({"Down", "Down", "Down", "Down"}); // S93401D
    shot("search-consultation-started-later");
    m_x.click(m_search, handOff);
    // (The stand-in may first record what the clipboard held when it came up.)
    const auto endsWith = [](const std::string& text, const std::string& end) {
        return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
    };
    WaitForOrFail([&] { return endsWith(ReadFile(record), "|ICD10|S93401D\n"); },
                  "the consultation program started later did not receive |ICD10|S93401D:\n" +
                      ReadFile(record));
    const std::string received = ReadFile(record);

    // Closed while the search window stays open and active: the picture still
    // shows, and its hand-off says the window is missing, handing nothing.
    m_x.click(m_search, firstRow);
    focusOn(m_search, "the search window");
    m_x.keys({"Down", "Down", "Down"});
    testsupport::XServer::stop(m_standin);
    m_standin = -1;
    if (!m_x.waitGone(kConsultTitle)) fail("the stand-in's window stayed after it was stopped");
    m_x.click(m_search, handOff);
    expectMessageBox("the hand-off with the consultation window closed",
                     "search-consultation-missing-message");
    if (ReadFile(record) != received) fail("a hand-off without the consultation window sent something");
    // Back in the search window after the message: the picture is hidden.
    WaitForOrFail([&] { return !pictureShown(); }, "the hand-off picture stayed after the message");
    shot("search-after-consultation-missing-message");
    closeWithPicture(m_search, m_searchForm.centre(ui.closeButton), kSearchTitle);
    if (!running(m_program)) fail("the program ended after the consultation window vanished");
    xcb_window_t w = launch(m_menuForm.ui().icd10OutlineButton, kOutlineTitle);
    QImage s = shot("outline-without-consultation");
    if (e2e::ColourName(
            m_x.pixel(s, w, m_outlineForm.centre(m_outlineForm.ui().handOffArrow1) + QPoint(-7, 3))) == "red")
        fail("the outline shows its hand-off arrows with no consultation program running");
    closeWithPicture(w, m_outlineForm.centre(m_outlineForm.ui().closeButton), kOutlineTitle);
}

int Run::searchChineseName(const std::string& name, const std::string& shotName) {
    const auto& ui = m_searchForm.ui();
    m_search = launch(m_menuForm.ui().searchButton, kSearchTitle);
    const QRect rows(20, m_searchForm.rect(ui.resultGrid).top() + 23, 680, 170);
    const QImage empty = m_x.crop(settle(), m_search, rows);
    m_x.click(m_search, m_searchForm.centre(ui.chineseNameEdit));
    focusOn(m_search, "the search window");
    m_x.typeText(name);
    m_x.keys({"Return"});
    const int changed = waitChange(m_search, rows, empty, 1000, 3s);
    shot(shotName);
    closeWithPicture(m_search, m_searchForm.centre(ui.closeButton), kSearchTitle);
    return changed;
}

// A copy of the program laid out as installed, with the sample beside it and
// the official files where an installed program finds them (small test files
// here), builds the full database from the project's NHI-format test files in
// its build window (opened with Ctrl+B), and opens it at once: a Chinese name
// that only the new database has is then found.
void Run::buildFullDatabase() {
    std::puts("building the full database in the program");
    m_phase = "build-";
    const std::filesystem::path app = std::filesystem::path(m_out) / "installed" / "lib" / "icd10tcm";
    std::filesystem::remove_all(app.parent_path().parent_path());
    std::filesystem::create_directories(app);
    for (const char* f : {"icd10tcm", "icd10_2023.mdb", "qa.txt"})
        std::filesystem::copy_file(m_bin + "/" + f, app / f);
    testsupport::WriteOfficialTestFiles(dbbuild::OfficialDataDir(app.string()));
    // A per-user folder of its own, the ctest's one (if any) given back after.
    const char* userData = std::getenv("XDG_DATA_HOME");
    const std::string before = userData ? userData : "";
    const std::string home = m_out + "/installed/home";
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    m_program = Spawn({(app / "icd10tcm").string()}, m_out + "/program.log");
    m_menu = m_x.waitWindow(kMenuTitle, 15s);
    if (!m_menu) fail("the main menu did not appear");
    const std::string name = "咀嚼肌"; // M79.11 咀嚼肌肌痛: not in the sample
    if (searchChineseName(name, "search-sample") > 1000) fail("the sample already finds " + name);

    const QRect line = m_menuForm.rect(m_menuForm.ui().databaseLine);
    const QImage sampleLine = m_x.crop(shot("menu-sample"), m_menu, line);
    m_x.click(m_menu, QPoint(350, 470));
    focusOn(m_menu, "the menu");
    m_x.keys({"ctrl+b"});
    const xcb_window_t dialog = m_x.waitWindow(kBuildTitle);
    if (!dialog) fail("Ctrl+B in the menu did not open the build window");
    focusOn(dialog, "the build window");
    shot("window-opened");
    // The Chinese edition's box has the focus; Enter checks the file and builds.
    m_x.type(testsupport::BuildTestFile("nhi_icd10cm_2023_zh.csv"));
    m_x.keys({"Return"});
    if (!m_x.waitGone(kBuildTitle, 60s)) {
        shot("window-still-open");
        fail("the build window did not close after building from the test files");
    }
    if (e2e::PixelsDiffer(sampleLine, m_x.crop(shot("menu-full"), m_menu, line)) < 100)
        fail("the menu line did not change after the build");
    if (searchChineseName(name, "search-full") <= 1000)
        fail("the new database was not in use: " + name + " found nothing");
    closeProgram();
    if (userData)
        setenv("XDG_DATA_HOME", before.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

bool Run::startServer(bool withWindowManager) {
    m_x.close();
    m_server = std::make_unique<testsupport::XServer>();
    m_managed = withWindowManager;
    if (!m_server->start(withWindowManager)) {
        std::printf("%s: %s\n", m_server->programsMissing() ? "SKIPPED" : "FAILED", m_server->why().c_str());
        return false;
    }
    if (!m_x.open()) fail(m_x.why());
    if (withWindowManager && !m_x.waitWindowManagerManages()) fail("openbox does not manage new windows");
    std::printf("X server on %s\n", m_server->display().c_str());
    return true;
}

// With no window manager at all: the menu, a search handed off (the
// consultation window raised above the search), an outline pin handed off.
void Run::secondRun() {
    std::puts("second run: Xvfb without a window manager");
    m_phase = "nowm-";
    testsupport::XServer::stop(m_standin);
    m_standin = -1;
    if (!startServer(false)) fail("the second X server did not start");
    if (m_x.windowManagerNamed()) fail("a window manager is running on " + m_server->display());
    vanishedWindowChecks("nowm");
    const std::string record = m_out + "/received-nowm.txt";
    startStandin(record);
    startProgram();
    QImage s = shot("menu");
    expectColour(s, m_menu, m_menuForm.rect(m_menuForm.ui().exitButton).topLeft() + QPoint(10, 15), "red",
                 "the menu's close picture (no window manager)");
    searchAndHandOff(record);
    if (!e2e::WaitFor([&] { return m_x.stackedAbove(m_consult, m_search); }, 5s))
        fail("no window manager: the consultation window was not raised above the search window");
    shot("search-handed-off");
    closeWithPicture(m_search, m_searchForm.centre(m_searchForm.ui().closeButton), kSearchTitle);

    const auto& ui = m_outlineForm.ui();
    const QPoint box = m_outlineForm.rect(ui.tileArea).topLeft();
    const QRect tiles(box + QPoint(4, 0), QSize(300, 300));
    const QRect pin1 = m_outlineForm.rect(ui.pinSlot1).adjusted(2, 2, -2, -2);
    xcb_window_t w = launch(m_menuForm.ui().icd10OutlineButton, kOutlineTitle);
    s = settle();
    const QImage pin1Empty = m_x.crop(s, w, pin1);
    for (int n = 0; n <= 3; ++n) { // chapter 1, A00-A99, A00-A09, A00
        const QImage before = m_x.crop(m_x.grab(), w, tiles);
        m_x.click(w, box + QPoint(74, n == 0 ? 21 : n * 32 + 15));
        if (waitChange(w, tiles, before, 30) <= 30)
            fail("no window manager: outline row " + std::to_string(n) + " opened nothing");
    }
    m_x.click(w, box + QPoint(74, 4 * 32 + 15)); // A000
    if (waitChange(w, pin1, pin1Empty, 300) <= 300) fail("no window manager: A000 was not pinned");
    shot("outline-A000-pinned");
    m_x.click(w, m_outlineForm.centre(ui.handOffArrow1));
    expectReceived(record, "no window manager: the outline's hand-off did not arrive",
                   {"|ICD10|S93401A", "|ICD10|A000"});
    shot("outline-handed-off");
    closeWithPicture(w, m_outlineForm.centre(ui.closeButton), kOutlineTitle);
    closeProgram();
    shot("program-closed");
}

// After a window manager has ended: openbox leaves its client list (now
// empty) and the name of its vanished check window on the root window (the
// server does not reset, so they stay). The consultation window must still be
// found.
void Run::thirdRun() {
    std::puts("third run: the window manager has ended");
    m_phase = "wm-ended-";
    testsupport::XServer::stop(m_standin);
    m_standin = -1;
    if (!m_server->startWindowManager()) fail(m_server->why());
    if (!m_x.waitWindowManagerManages()) fail("openbox does not manage new windows");
    m_server->stopWindowManager();
    vanishedWindowChecks("wm-ended");
    const std::string record = m_out + "/received-wm-ended.txt";
    startStandin(record);
    startProgram();
    searchAndHandOff(record);
    shot("search-handed-off");
    closeWithPicture(m_search, m_searchForm.centre(m_searchForm.ui().closeButton), kSearchTitle);
    closeProgram();
}

void Run::firstRun() {
    std::puts("first run: Xvfb with openbox");
    vanishedWindowChecks("wm");
    const std::string record = m_out + "/received-wm.txt";
    startStandin(record);
    startProgram();
    const auto& menu = m_menuForm.ui();
    QImage s = shot("menu");
    expectColour(s, m_menu, m_menuForm.rect(menu.exitButton).topLeft() + QPoint(10, 15), "red",
                 "the menu's close picture");
    expectColour(s, m_menu, m_menuForm.rect(menu.icd10OutlineButton).bottomLeft() + QPoint(20, -12), "green",
                 "the menu's ICD10 outline picture");
    expectColour(s, m_menu, m_menuForm.rect(menu.icd11OutlineButton).bottomLeft() + QPoint(20, -12), "blue",
                 "the menu's ICD11 outline picture");

    std::puts("search");
    searchAndHandOff(record);
    expectActive(m_consult, "the consultation window was not brought to the front by the search's hand-off");
    shot("search-handed-off");

    // With the search window open, activating the menu brings the search back.
    m_x.activate(m_menu);
    expectActive(m_search, "activating the menu did not bring the open search window back");
    s = shot("menu-brings-search-back");
    const QRect whole(QPoint(0, 0), m_searchForm.size());
    const QImage before = m_x.crop(s, m_search, whole);

    // Closed and launched again: criteria, rows and current row as they were.
    const QPoint searchClose = m_searchForm.centre(m_searchForm.ui().closeButton);
    closeWithPicture(m_search, searchClose, kSearchTitle);
    m_x.click(m_menu, QPoint(350, 470)); // the menu's background, clear of its pictures
    expectActive(m_menu, "the menu did not become active when clicked");
    if (m_x.visibleCount(kSearchTitle) != 0)
        fail("the menu brought back a search window that had been closed");
    shot("search-closed");
    // (The toolkit may give the window a new X window when it is shown again.)
    m_search = launch(menu.searchButton, kSearchTitle);
    s = shot("search-relaunched");
    const int d = e2e::PixelsDiffer(before, m_x.crop(s, m_search, whole));
    if (d >= 200)
        fail("the search window lost its state when closed and launched again (" + std::to_string(d) +
             " pixels differ)");
    closeWithPicture(m_search, searchClose, kSearchTitle);

    std::puts("outline");
    outline(record);
    std::puts("tree");
    tree(record);
    std::puts("coder's guide");
    codersGuide(record);
    std::puts("quiz");
    quiz();
    std::puts("ICD-11 browsers");
    xcb_window_t w = launch(menu.icd11OutlineButton, kOutline11Title);
    shot("outline-icd11");
    closeWithPicture(w, m_outlineForm.centre(m_outlineForm.ui().closeButton), kOutline11Title);
    w = launch(menu.icd11TreeButton, kTree11Title);
    shot("tree-icd11");
    closeWithPicture(w, m_treeForm.centre(m_treeForm.ui().closeButton), kTree11Title);
    std::puts("consultation window vanishing during the hand-off");
    vanishingConsultation();

    std::puts("closing the program");
    closeProgram();
    shot("program-closed");
}

int Run::main() {
    QDir().mkpath(QString::fromStdString(m_out));
    const QString out = QString::fromStdString(m_out);
    const QStringList patterns{QStringLiteral("*.png"), QStringLiteral("*.txt"), QStringLiteral("*.log")};
    for (const QString& old : QDir(out).entryList(patterns))
        QFile::remove(out + QLatin1Char('/') + old);
    for (const char* f :
         {"icd10tcm", "consultation_standin", "e2e_vanished_window", "icd10_2023.mdb", "qa.txt"}) {
        if (access((m_bin + "/" + f).c_str(), F_OK) != 0) {
            std::printf(
                "FAILED: %s/%s is missing (build the program, its sample files and the e2e programs first)\n",
                m_bin.c_str(), f);
            return 1;
        }
    }
    try {
        if (!startServer(true)) return m_server->programsMissing() ? 77 : 1;
        firstRun();
        buildFullDatabase();
        secondRun();
        thirdRun();
    } catch (const Failure& f) {
        std::printf("FAILED: %s\n", f.what());
        m_x.grab().save(QString::fromStdString(m_out + "/zz-failure.png"));
        const std::string program = ReadFile(m_out + "/program.log");
        const std::string standin = ReadFile(m_out + "/standin.log");
        if (!program.empty()) std::printf("--- program output:\n%s", program.c_str());
        if (!standin.empty()) std::printf("--- stand-in output:\n%s", standin.c_str());
        return 1;
    }
    std::printf("PASSED: end-to-end run, screenshots in %s\n", m_out.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: e2e_run BIN_DIR OUT_DIR\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // This program's own widgets only lay out the forms; they are never shown.
    // The programs it starts use the X server.
    const std::string out = std::filesystem::absolute(argv[2]).lexically_normal().string();
    const std::string runtime = out + "/runtime";
    std::filesystem::create_directories(runtime);
    chmod(runtime.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    int qtArgc = 3;
    char platformOption[] = "-platform";
    char platformName[] = "offscreen";
    char* qtArgv[] = {argv[0], platformOption, platformName, nullptr};
    QApplication application(qtArgc, qtArgv);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    unsetenv("WAYLAND_DISPLAY");
    Run run(QDir(QString::fromLocal8Bit(argv[1])).absolutePath().toStdString(), out);
    return run.main();
}

#pragma once
// The main menu: a fixed 700 x 500 window of picture buttons from which the five
// working windows are launched. It opens the database while it is created,
// creates the working windows, and keeps them: the two browsers are destroyed and
// created anew on every launch, given the mode of the picture that launched them
// (ICD-10-CM or ICD-11); the quiz and the search window are created once and
// keep their state, as does the Alphabetic Index window. Closing the menu ends
// the application.
//
// Keyboard: the seven launch pictures take the focus in reading order (Tab and
// the arrow keys move a visible mark over them), Enter or Space opens the one
// with the mark, and the digits 1 to 7 (main keys or keypad) open them directly:
// 1 ICD10 章節層次瀏覽, 2 ICD10 樹狀瀏覽, 3 評量測驗, 4 編碼查詢, 5 ICD11 章節層次瀏覽,
// 6 ICD11 樹狀瀏覽, 7 索引查詢 (two columns of three rows, the seventh alone in the
// middle of a fourth).
//
// Below the pictures, 建立完整資料庫… (Ctrl+B) opens the window that builds the
// full code database from the NHI files (the sample's line says to use it; with
// a full database open it rebuilds it from newer files). Once built, the new
// database is opened at once: the working windows, which hold queries on the
// old connection, are destroyed, the connection reopened on the new file, the
// line shown anew and the windows created again.

#include <functional>
#include <memory>
#include <string>

#include <QWidget>

#include "app/core/appcontext.h"
#include "app/widgets/workingwindow.h"

namespace Ui {
class MainMenu;
}

namespace app {
class ImageButton;
}

namespace program {

// The application's title: the menu's caption and the band of its background.
QString ApplicationTitle();

// What the menu needs from outside: how to make each working window, where the
// executable is (the database is looked for beside it) and how the application
// is ended. The program passes the real windows; tests pass simple ones.
struct MenuSetup {
    using WindowMaker = std::function<std::unique_ptr<app::WorkingWindow>(app::AppContext&)>;
    // A browser is made in a mode: ICD-11 (true) or ICD-10-CM (false).
    using BrowserMaker = std::function<std::unique_ptr<app::WorkingWindow>(app::AppContext&, bool icd11Mode)>;
    std::string executablePath;
    BrowserMaker createOutlineWindow; // chapter outline browser
    BrowserMaker createTreeWindow;    // code tree browser
    WindowMaker createQuizWindow;     // quiz
    WindowMaker createSearchWindow;   // code search
    WindowMaker createIndexWindow;    // the Alphabetic Index
    std::function<void()> quit;       // ends the application; empty: QCoreApplication::quit
    // The official US files of a build in the program; "" = those that come
    // with the program (found from the executable's folder).
    std::string officialDataDir;
};

// The makers of the real windows for a MenuSetup, one per window class:
//   setup.createSearchWindow = program::MakeWindow<search::SearchWindow>;
//   setup.createOutlineWindow = program::MakeBrowser<outline::OutlineWindow>;
template <class Window> std::unique_ptr<app::WorkingWindow> MakeWindow(app::AppContext& context) {
    return std::make_unique<Window>(context);
}
template <class Browser>
std::unique_ptr<app::WorkingWindow> MakeBrowser(app::AppContext& context, bool icd11Mode) {
    return std::make_unique<Browser>(context, icd11Mode);
}

class BuildDatabaseDialog;

class MainMenu : public QWidget {
    Q_OBJECT
public:
    // Runs openDatabase.
    MainMenu(app::AppContext& context, MenuSetup setup, QWidget* parent = nullptr);
    ~MainMenu() override;

    // Creates the outline, tree (in ICD-10-CM mode), quiz, search and index
    // windows, in this order, all hidden. Called once, after the menu has been created.
    void createWorkingWindows();

    // True when opening the database failed: the event loop is not to run.
    bool terminationRequested() const { return m_terminationRequested; }

    app::WorkingWindow* outlineWindow() const { return m_outlineWindow.get(); }
    app::WorkingWindow* treeWindow() const { return m_treeWindow.get(); }
    app::WorkingWindow* quizWindow() const { return m_quizWindow.get(); }
    app::WorkingWindow* searchWindow() const { return m_searchWindow.get(); }
    app::WorkingWindow* indexWindow() const { return m_indexWindow.get(); }

    // The pictures, in reading order: the seven launch pictures, then the exit.
    enum class Picture { Icd10Outline, Icd10Tree, Quiz, Search, Icd11Outline, Icd11Tree, Index, Exit };
    static constexpr int LaunchPictures = 7;
    app::ImageButton* picture(Picture which) const;
    // The launch picture that digit key n (1-7) opens, in reading order.
    app::ImageButton* launchPicture(int n) const;
    app::AppContext& context() { return m_ctx; }

    // Opens the database and shows which one in the hint line (or shows why
    // not and requests termination).
    void openDatabase();
    // Shows the working window of activeWindowNo again (none for 0).
    void showActiveWindow();
    // Shows the Alphabetic Index window, as its picture does (the search
    // window's button reaches it through the guide hooks).
    void showIndexWindow();
    void picturePressed(app::ImageButton* sender);
    void pictureReleased(app::ImageButton* sender);
    // Opens a window that builds the full database, or says why no database
    // can be written anywhere.
    void openBuildDialog();
    // The build window while it is there.
    BuildDatabaseDialog* buildDialog() const { return m_buildDialog.get(); }
    // Closes the working windows and the connection, opens the database at
    // path (UTF-8) and shows its line; then creates the working windows again.
    void useDatabase(const std::string& path);
    // The database line as shown: whole, on one or two lines, or shortened in
    // its middle (the tooltip always has it whole).
    QString databaseLineText() const;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showDatabaseLine(const std::string& line);
    void loadPictures();
    void setUpKeyboard();
    // Moves the focus mark by rows and columns over the launch pictures.
    void moveFocusMark(int rows, int columns);
    // Destroys the browser held in slot, sets the window number, creates a new
    // browser in the mode given and shows it.
    void relaunch(std::unique_ptr<app::WorkingWindow>& slot, const MenuSetup::BrowserMaker& make,
                  int windowNo, bool icd11);
    std::unique_ptr<app::WorkingWindow> create(const MenuSetup::WindowMaker& make);
    std::unique_ptr<app::WorkingWindow> create(const MenuSetup::BrowserMaker& make, bool icd11);
    static void showIfAny(app::WorkingWindow* w);
    void destroyWorkingWindows();

    std::unique_ptr<Ui::MainMenu> m_ui;
    app::AppContext& m_ctx;
    MenuSetup m_setup;
    bool m_terminationRequested = false;
    std::unique_ptr<app::WorkingWindow> m_outlineWindow;
    std::unique_ptr<app::WorkingWindow> m_treeWindow;
    std::unique_ptr<app::WorkingWindow> m_quizWindow;
    std::unique_ptr<app::WorkingWindow> m_searchWindow;
    std::unique_ptr<BuildDatabaseDialog> m_buildDialog;
    std::unique_ptr<app::WorkingWindow> m_indexWindow;
};

} // namespace program

#pragma once
// The main menu: a fixed 700 x 500 window of picture buttons from which the four
// working windows are launched. It opens the database while it is created,
// creates the working windows, and keeps them: the two browsers are destroyed and
// created anew on every launch (after the mode flag is set, since they read it
// while they are created); the quiz and the search window are created once and
// keep their state. Closing the menu ends the application.
//
// Keyboard: the six launch pictures take the focus in reading order (Tab and
// the arrow keys move a visible mark over them), Enter or Space opens the one
// with the mark, and the digits 1 to 6 (main keys or keypad) open them directly:
// 1 ICD10 章節層次瀏覽, 2 ICD10 樹狀瀏覽, 3 評量測驗, 4 編碼查詢, 5 ICD11 章節層次瀏覽,
// 6 ICD11 樹狀瀏覽.

#include <functional>
#include <memory>
#include <string>

#include <QWidget>

#include "app/core/appcontext.h"
#include "app/widgets/workingwindow.h"

namespace Ui {
class TFormKelvara;
}

namespace app {

class ImageButton;

// The application's title: the menu's caption and the band of its background.
QString ApplicationTitle();

// What the menu needs from outside: how to make each working window, where the
// executable is (the database is looked for beside it) and how the application
// is ended. The program passes the real windows; tests pass simple ones.
struct MenuSetup {
    using WindowMaker = std::function<std::unique_ptr<WorkingWindow>(AppContext&)>;
    std::string executablePath;
    WindowMaker createForm2;    // chapter outline browser (reads icd11Mode)
    WindowMaker createForm3;    // code tree browser (reads icd11Mode)
    WindowMaker createForm4;    // quiz
    WindowMaker createForm5;    // code search
    std::function<void()> quit; // ends the application; empty: QCoreApplication::quit
};

class TFormKelvara : public QWidget {
    Q_OBJECT
public:
    // Runs FormCreate: opens the database (or shows why not and requests
    // termination).
    TFormKelvara(AppContext& context, MenuSetup setup, QWidget* parent = nullptr);
    ~TFormKelvara() override;

    // Creates Form2, Form3 (with icd11Mode false), Form4 and Form5, in this
    // order, all hidden. Called once, after the menu has been created.
    void CreateWorkingWindows();

    // True when opening the database failed: the event loop is not to run.
    bool terminationRequested() const { return m_terminationRequested; }

    WorkingWindow* form2() const { return m_form2.get(); }
    WorkingWindow* form3() const { return m_form3.get(); }
    WorkingWindow* form4() const { return m_form4.get(); }
    WorkingWindow* form5() const { return m_form5.get(); }

    ImageButton* picture(int number) const; // Image2 .. Image8
    // The launch picture that digit key n (1-6) opens, in reading order.
    ImageButton* launchPicture(int n) const;
    AppContext& context() { return m_ctx; }

    void FormCreate();
    // Shows the working window of activeWindowNo again (none for 0).
    void FormActivate();
    void Image2MouseDown(ImageButton* sender);
    void Image2MouseUp(ImageButton* sender);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void loadPictures();
    void setUpKeyboard();
    // Moves the focus mark by rows and columns over the 2 x 3 launch pictures.
    void moveFocusMark(int rows, int columns);
    // Destroys the browser held in slot, sets the window number and the mode,
    // creates a new browser and shows it.
    void relaunch(std::unique_ptr<WorkingWindow>& slot, const MenuSetup::WindowMaker& make, int windowNo,
                  bool icd11);
    std::unique_ptr<WorkingWindow> create(const MenuSetup::WindowMaker& make);
    static void showIfAny(WorkingWindow* w);

    std::unique_ptr<Ui::TFormKelvara> m_ui;
    AppContext& m_ctx;
    MenuSetup m_setup;
    bool m_terminationRequested = false;
    std::unique_ptr<WorkingWindow> m_form2;
    std::unique_ptr<WorkingWindow> m_form3;
    std::unique_ptr<WorkingWindow> m_form4;
    std::unique_ptr<WorkingWindow> m_form5;
};

} // namespace app

#pragma once
// The notes panel (編碼指引): a companion window that shows what the tabular
// says about the code selected in the search grid, the trees, the chooser or
// the Alphabetic Index, and follows that selection while it is shown. F1 in
// those windows shows it (without taking the keyboard from them, so the arrows
// go on moving their selection).
//
// It reads the guide after the selection has moved, on a zero timer: a run of
// moves (an arrow held down) costs one reading, and the window that moved
// never waits for it. A code named in a note is a link that shows that code;
// 上一個 goes back. The pair check at the bottom says whether the shown code
// and a second one (typed, or picked from the codes shown before) may be coded
// together.
//
// Without a guide, or with a damaged one, it says why in Traditional Chinese;
// the program works as before.

#include <deque>
#include <functional>
#include <string>

#include <QTimer>
#include <QWidget>

#include "app/core/guidehooks.h"

class QComboBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class QTextBrowser;
class QUrl;

namespace guide {
class Guide;
}

namespace guidepanel {

class NotesPanel : public QWidget, public app::GuideHooks {
    Q_OBJECT
public:
    // The guide stays open (or not) for the panel's life; the panel reads it
    // only while it is shown.
    explicit NotesPanel(guide::Guide& codersGuide, QWidget* parent = nullptr);
    ~NotesPanel() override;

    // app::GuideHooks: the selection moved (followed when shown), F1, and the
    // index window, which the program opens (setIndexOpener).
    void codeSelected(const std::string& code) override;
    void showNotes(const std::string& code) override;
    void showIndex() override;
    void setIndexOpener(std::function<void()> open) { m_openIndex = std::move(open); }

    // Shows this code now (a link, 上一個 and the tests use it).
    void showCode(const std::string& code);
    // The code shown ("" for none) and the page's plain text.
    const std::string& shownCode() const { return m_shown; }
    QString pageText() const;
    // Readings of the guide so far (a run of moves is read once).
    int readings() const { return m_readings; }

    // The pair check of the shown code with the code in the pair box.
    void checkPair();
    QString pairText() const;

    QTextBrowser* page() const { return m_page; }
    QComboBox* pairBox() const { return m_pairBox; }
    QPushButton* backButton() const { return m_back; }

protected:
    // Esc closes the panel, as in the other windows.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void followPending();
    void openLink(const QUrl& link);
    void goBack();
    void remember(const std::string& code);

    guide::Guide& m_guide;
    std::function<void()> m_openIndex;
    QTimer m_follow;
    std::string m_pending; // the last selected code, not yet read
    std::string m_shown;
    std::deque<std::string> m_history; // codes shown before, latest last (上一個)
    int m_readings = 0;

    QLabel* m_status = nullptr;
    QTextBrowser* m_page = nullptr;
    QPushButton* m_back = nullptr;
    QComboBox* m_pairBox = nullptr;
    QLabel* m_pairResult = nullptr;
};

} // namespace guidepanel

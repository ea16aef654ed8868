#pragma once
// The code search window (working window number 5): criteria at the top, the
// matching codes in a grid, the current row's details and the hand-off picture
// at the bottom. Created once at start-up; closing only hides it, so criteria
// and results stay between showings.

#include <QElapsedTimer>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

#include "app/widgets/workingwindow.h"
#include "db/query.h"
#include "search/statement.h"

class QButtonGroup;
class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;

namespace Ui {
class SearchWindow;
}

namespace app {
class ImageButton;
}

namespace search {

class ResultModel;

class SearchWindow : public app::WorkingWindow {
    Q_OBJECT
public:
    explicit SearchWindow(app::AppContext& context, QWidget* parent = nullptr);
    ~SearchWindow() override;

    // Hides what the database or the desktop cannot offer: the ranking
    // criterion without its column, the hand-off picture while the
    // consultation program's window is not there.
    void adaptToDatabaseAndDesktop();
    // A search with the criteria as they stand; sender is the control that
    // asked for it (the 2023 differences only from their button).
    void search(QObject* sender);
    // The 列出2023版本差異 button: the search with the 2023 differences.
    void searchDifferences();
    // The hidden 創建篩選排名 button: the ranking column filled from usage.
    void buildRanking();
    void picturePressed(app::ImageButton* sender);
    // Search, close or hand off, by the picture released.
    void pictureReleased(app::ImageButton* sender);
    // The chooser key (F2): the billable codes under the current row's header
    // in the chooser, or the current finest code handed off.
    void chooseFromCurrentRow();
    // Enter, seen before the focused control, runs the search; the key goes on
    // to the control.
    void handleWindowKey(QKeyEvent* event);

    // The criteria as the controls hold them (the 2023 differences not asked).
    Criteria criteria() const;

    // 即時查詢: with the box on, a change of any box or radio group searches
    // after a pause, exactly as Enter would; a search still running when the
    // next one starts is stopped, and no message box appears for it.
    bool liveSearch() const;
    void setLiveSearchPause(int milliseconds) { m_liveTimer.setInterval(milliseconds); }
    // Every box emptied and every radio group back at 不分 (the 清除條件 button, Ctrl+L).
    void clearCriteria();
    // Searches run so far (each statement opened counts once; a stopped one too).
    int searchesStarted() const { return m_searchesStarted; }
    // Searches stopped by a newer one before they finished.
    int searchesStopped() const { return m_searchesStopped; }
    ResultModel* resultModel() const { return m_model; }
    const db::Query& resultQuery() const { return m_resultQuery; }

    // The hand-off picture's action on the current row (also a double-click on a row).
    void handOffCurrentRow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The criteria's controls from the criteria tables: the captions, the
    // radio items, the boxes' colours, a live search on every change.
    void setUpLook();
    void setUpButtons();
    void makeIndexButton();
    void setUpLiveSearch();
    void setUpCriteria();
    void layoutRadioGroup(QGroupBox* box, int columns);
    void setUpGrid();
    void showCurrentRow();
    void showError(const std::string& message);
    void criteriaChanged();
    // Runs a search now, or, while one is running, stops that one and runs this
    // one after it (only the latest request waits).
    void requestSearch(QObject* sender, bool live);
    void runSearch(QObject* sender, bool live);
    // Called by the engine while a live search runs: answers keys and clicks.
    void keepAnswering();
    void showRowCount(int rows, bool complete);
    void showFallbackNote(const QString& note);
    void layOutResults();
    void setUpKeyboard();

    std::unique_ptr<Ui::SearchWindow> m_ui;
    // The controls of the criteria, in the order of their tables.
    struct TextBox {
        const TextCriterion* criterion;
        QLineEdit* edit;
    };
    struct ChoiceGroup {
        const ChoiceCriterion* criterion;
        QButtonGroup* buttons;
    };
    std::vector<TextBox> m_textBoxes;
    std::vector<ChoiceGroup> m_choiceGroups;
    db::Query m_resultQuery;  // the result shown by the grid
    db::Query m_lookupQuery;  // ICD-9 lookups and the finest-code check
    db::Query m_rankingProbe; // the ranking probe
    ResultModel* m_model = nullptr;
    QPushButton* m_indexButton = nullptr; // 索引查詢: the Alphabetic Index window

    struct Request {
        QObject* sender;
        bool live;
    };
    QTimer m_liveTimer;
    QElapsedTimer m_sinceAnswered;
    bool m_searching = false;
    bool m_quiet = false; // the last search was a live one: its errors show no message
    std::optional<Request> m_pending;
    int m_searchesStarted = 0;
    int m_searchesStopped = 0;
};

} // namespace search

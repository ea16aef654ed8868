#pragma once
// The Alphabetic Index window (索引查詢, working window number 6): English
// words in any order, each the start of a word of a term or of a term above
// it, any case, searched as they are typed. Each result is an index path with
// its codes ("Sprain (joint) (ligament) › ankle › deltoid ligament → S93.42-"),
// and the line under the list shows the current one with its codes and its
// "see" and "see also" as links. Enter or a double-click on a result with a
// code hands it off as the search grid does: a billable code at once, a code
// ending in "-" or a header through the chooser of the billable codes under
// it; on a result with only a "see", it goes to the named term. The notes
// panel follows the current result's code; F1 shows it.
//
// Without the guide (missing or damaged), the window says why and the rest of
// the program works as before.

#include <string>
#include <vector>

#include <QTimer>

#include "app/widgets/workingwindow.h"
#include "db/query.h"

class QLabel;
class QLineEdit;
class QListView;
class QUrl;

namespace app {
class ImageButton;
}

namespace guide {
class Guide;
}

namespace alphaindex {

class ResultList;

class IndexWindow : public app::WorkingWindow {
    Q_OBJECT
public:
    IndexWindow(app::AppContext& context, guide::Guide& guide, QWidget* parent = nullptr);
    ~IndexWindow() override;

    // Searches the words now (typing does it at once).
    void search(const QString& words);
    // The result at this row made current (the arrows and clicks do it).
    void setCurrentRow(int row);
    // Enter or a double-click on the current result: hands off its code, or
    // goes to the term its "see" names.
    void actOnCurrent();
    // Goes to an index term: its words in the box, the term current.
    void goToTerm(long term);

    // For tests and screenshots.
    QLineEdit* wordsEdit() const { return m_words; }
    QListView* resultView() const { return m_view; }
    QLabel* entryLabel() const { return m_entry; }
    QLabel* countLabel() const { return m_count; }
    int resultCount() const;
    QString resultText(int row) const;
    int currentRow() const;
    // The code of the current result as the index writes it ("S93.40-"), "" for none.
    std::string currentCode() const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void makeSearchRow();
    void makeResultArea();
    void makeHintRow();
    void layOut();
    void connectActions();
    void currentChanged();
    void openLink(const QUrl& link);
    // Loads the index on first use; false (and the reason shown) when it cannot be read.
    bool ready();
    void showProblem(const std::string& problem);
    void readIndexNow();

    guide::Guide& m_guide;
    db::Query m_lookupQuery; // finest-code check and the billable codes under a header
    ResultList* m_results = nullptr;
    bool m_unusable = false;
    QTimer m_readLater; // reads the index a moment after the window is first drawn

    QLabel* m_wordsLabel = nullptr;
    QLineEdit* m_words = nullptr;
    QLabel* m_count = nullptr;
    QListView* m_view = nullptr;
    QLabel* m_entry = nullptr;
    QLabel* m_hint = nullptr;
    app::ImageButton* m_handOff = nullptr;
    app::ImageButton* m_close = nullptr;
};

} // namespace alphaindex

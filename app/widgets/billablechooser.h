#pragma once
// A small window that lists the billable codes under a header (code, decorated
// Chinese name, English name) so that the user can go on from a category to a
// code that can be handed off. Typing filters the list (every word must occur
// in the code or a name); the arrow keys move in the list whichever box has the
// focus; Enter or a double-click chooses; Esc cancels. The window is never
// taller or wider than the screen; the list scrolls.
//
// It opens window-modal over the window that asked for it and returns at once
// (no nested event loop): the choice arrives later through a callback, after
// the chooser has closed, so tests and callers never block on it.

#include <functional>
#include <string>

#include <QDialog>

#include "app/core/appcontext.h"
#include "codes/billable.h"

class QLabel;
class QLineEdit;
class QTreeWidget;

namespace db {
class Query;
}

namespace app {

class BillableChooser : public QDialog {
    Q_OBJECT
public:
    BillableChooser(const codes::HeaderCodes& codes, QWidget* parent = nullptr);

    QLineEdit* filterBox() const { return m_filter; }
    QTreeWidget* list() const { return m_list; }
    // The code of the current row when it is shown, otherwise empty.
    QString currentCode() const;
    // Rows the filter leaves shown.
    int shownCount() const;

    // Chooses the current row: closes with "accepted" and emits chosen. Does
    // nothing when the filter leaves no row.
    void chooseCurrent();

    // The notes panel follows the current row, and F1 shows it.
    void followInGuide(AppContext& ctx);

signals:
    void chosen(const QString& code);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyFilter();
    void fitToScreen();

    codes::HeaderCodes m_codes;
    QLabel* m_count = nullptr;
    QLineEdit* m_filter = nullptr;
    QTreeWidget* m_list = nullptr;
};

// Opens the chooser for these codes over parent. When the user chooses, the
// chooser closes and then onChosen runs with the chosen code.
BillableChooser* OpenBillableChooser(QWidget* parent, const codes::HeaderCodes& codes,
                                     std::function<void(const std::string&)> onChosen);

// The way on from a code that is not billable: looks up the billable codes
// under it with the auxiliary query and, when it is a header with some, opens
// the chooser, which the notes panel follows. Returns the chooser, or none
// when it did not open. Engine errors propagate as db::Error.
BillableChooser* OfferBillableCodes(QWidget* parent, AppContext& ctx, db::Query& aux, const std::string& code,
                                    std::function<void(const std::string&)> onChosen);

// The hand-off of the search grid and the tree with a way on: HandOffFinestCode
// of the code and, after its "非最細碼無法使用", the chooser of the billable codes
// under the code, whose choice is handed off in the same way. Engine errors of
// these steps propagate as db::Error; those of the chosen code's hand-off are
// shown as messages.
void HandOffOrChoose(QWidget* parent, AppContext& ctx, db::Query& aux, const std::string& code);

// The chooser key on a row or node: a header with billable codes under it opens
// the chooser at once, without the message; any other code goes through
// HandOffOrChoose.
void ChooseOrHandOff(QWidget* parent, AppContext& ctx, db::Query& aux, const std::string& code);

// The key that opens the chooser on a header (and hands a billable code off
// directly) in the windows that have a hand-off, and the hint that names it.
inline constexpr int ChooserKey = Qt::Key_F2;
QString ChooserKeyHint();

} // namespace app

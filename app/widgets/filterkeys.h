#pragma once
// The keys of a box that filters a list (the billable chooser, the index
// window): the arrows and page keys typed in the box move the list while the
// focus stays in the box, a printable key typed in the list goes on in the
// box, and Enter in either acts on the list's current row.

#include <functional>

class QAbstractItemView;
class QKeyEvent;
class QLineEdit;
class QObject;

namespace app {

// Called from the window's event filter for a key press on `watched` (the box
// or the list); true when the key was taken.
bool RouteFilterKey(QObject* watched, const QKeyEvent& key, QLineEdit* box, QAbstractItemView* list,
                    const std::function<void()>& act);

} // namespace app

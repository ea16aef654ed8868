#pragma once
// Copying the code a window stands on, as coders write it (S93.401A), for
// pasting into another program: Ctrl+C and a right-click menu with 複製代碼
// and 複製代碼與名稱, on any widget that can say which code is current.
// ICD-11 codes are copied as they are written; ICD-10-CM codes get their dot.

#include <QString>
#include <QStyledItemDelegate>
#include <functional>
#include <string>
#include <string_view>

class QWidget;

namespace app {

struct CopiedCode {
    std::string code; // as stored ("S93401A"); empty when nothing is current
    QString name;     // the name the window shows beside it
};

// The code that a shown text starts with and the name after it; no code when
// the first word does not start with a letter (a chapter heading, an empty line).
//   "S93401A 右踝扭傷" => {"S93401A", "右踝扭傷"}   "A00-A09 腸道感染" => {"A00-A09", "腸道感染"}
//   "第1章 某些傳染病" => {"", ""}
CopiedCode CodeOfText(std::string_view text);

// "S93401A" => "S93.401A", "SA00" => "SA00", "A00-A09" => "A00-A09".
QString CopyTextOfCode(const std::string& code);
// "S93401A", "左側踝部扭傷" => "S93.401A 左側踝部扭傷".
QString CopyTextOfCodeAndName(const CopiedCode& item);

// Gives the widget Ctrl+C (while it or a child has the focus) and, with
// contextMenu, a right-click menu with the two copy actions, each copying what
// `current` returns at that moment. Nothing is copied when its code is empty.
void InstallCodeCopy(QWidget* widget, std::function<CopiedCode()> current, bool contextMenu = true);

// A cell delegate whose tooltip shows the cell's whole text only where the
// column is too narrow for it; a text that fits has no tooltip.
class CutTextToolTipDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

} // namespace app

#include "app/widgets/qtmessages.h"

#include <QApplication>
#include <QMessageBox>

namespace app {

void QtMessages::show(const std::string& text) {
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                             QString::fromStdString(text));
}

} // namespace app

#include "app/widgets/qtmessages.h"

#include <QApplication>
#include <QMessageBox>

namespace app {

void QtMessages::show(const std::string& text) {
    QMessageBox::information(QApplication::activeWindow(),
                             m_caption.isEmpty() ? QApplication::applicationDisplayName() : m_caption,
                             QString::fromStdString(text));
}

} // namespace app

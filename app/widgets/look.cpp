#include "app/widgets/look.h"

#include <QPalette>
#include <QWidget>

namespace app::look {

void PaintFilterBox(QWidget* box) {
    QPalette pink = box->palette();
    pink.setColor(QPalette::Base, kFilterPink);
    box->setPalette(pink);
}

} // namespace app::look

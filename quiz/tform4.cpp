#include "quiz/tform4.h"

namespace quiz {

TForm4::TForm4(app::AppContext& context, QWidget* parent) : app::WorkingWindow(context, 4, parent) {
    setWindowTitle(QStringLiteral("ICD-10評量測驗"));
    setFixedClientSize(712, 514);
}

} // namespace quiz

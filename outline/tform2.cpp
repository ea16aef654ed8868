#include "outline/tform2.h"

namespace outline {

TForm2::TForm2(app::AppContext& context, QWidget* parent) : app::WorkingWindow(context, 2, parent) {
    setWindowTitle(QStringLiteral("ICD-10-CM 章節層次瀏覽"));
    setFixedClientSize(711, 523);
}

} // namespace outline

#include "tree/tform3.h"

namespace tree {

TForm3::TForm3(app::AppContext& context, QWidget* parent) : app::WorkingWindow(context, 3, parent) {
    setWindowTitle(QStringLiteral("ICD-10-CM 樹狀瀏覽"));
    setFixedClientSize(720, 540);
}

} // namespace tree

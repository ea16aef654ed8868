#include "search/tform5.h"

namespace search {

TForm5::TForm5(app::AppContext& context, QWidget* parent) : app::WorkingWindow(context, 5, parent) {
    setWindowTitle(QStringLiteral("ICD-10-CM 編碼查詢"));
    setFixedClientSize(712, 533);
}

} // namespace search

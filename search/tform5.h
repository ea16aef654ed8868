#pragma once
#include "app/widgets/workingwindow.h"

namespace search {

// Working window number 5.
class TForm5 : public app::WorkingWindow {
    Q_OBJECT
public:
    explicit TForm5(app::AppContext& context, QWidget* parent = nullptr);
};

} // namespace search

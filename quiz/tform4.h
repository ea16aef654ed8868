#pragma once
#include "app/widgets/workingwindow.h"

namespace quiz {

// Working window number 4.
class TForm4 : public app::WorkingWindow {
    Q_OBJECT
public:
    explicit TForm4(app::AppContext& context, QWidget* parent = nullptr);
};

} // namespace quiz

#pragma once
#include "app/widgets/workingwindow.h"

namespace outline {

// Working window number 2.
class TForm2 : public app::WorkingWindow {
    Q_OBJECT
public:
    explicit TForm2(app::AppContext& context, QWidget* parent = nullptr);
};

} // namespace outline

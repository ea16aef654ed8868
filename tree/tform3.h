#pragma once
#include "app/widgets/workingwindow.h"

namespace tree {

// Working window number 3.
class TForm3 : public app::WorkingWindow {
    Q_OBJECT
public:
    explicit TForm3(app::AppContext& context, QWidget* parent = nullptr);
};

} // namespace tree

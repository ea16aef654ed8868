// main() of the window test suites: a QApplication on the offscreen platform
// (unless the environment names another one, as the X11 tests do), then every
// GoogleTest case.
#include <QApplication>
#include <gtest/gtest.h>

#include "app/widgets/pictures.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app::RegisterFontSubstitutions();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

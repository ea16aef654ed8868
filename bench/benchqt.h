#pragma once
// The application object of the benchmarks that drive windows: one for the
// whole run, on the offscreen platform unless the environment names another,
// with the program's font substitutions.
#include <QApplication>

#include "app/widgets/pictures.h"

namespace benchsupport {

inline QApplication& OffscreenApplication() {
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    static bool fonts = (app::RegisterFontSubstitutions(), true);
    (void)fonts;
    return app;
}

} // namespace benchsupport

#pragma once
// How window tests reach a window's controls: by the name the form
// gives each one (its object name), with the type the test expects.
//
//     auto* code = testsupport::Control<QLineEdit>(window, "codeEdit");
//     auto* grid = testsupport::Control<QTableView>(window, "resultGrid");
//
// A control that is missing, or of another type, fails the test at once and
// names it, instead of crashing on a null pointer later.
#include <stdexcept>
#include <string>
#include <vector>

#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

namespace testsupport {

template <class T> T* Control(const QWidget* window, const char* name) {
    T* control = window->findChild<T*>(QString::fromLatin1(name));
    if (!control) {
        ADD_FAILURE() << "the window has no control named " << name << " of the expected type";
        throw std::runtime_error(std::string("no control ") + name);
    }
    return control;
}

// The names of the window's controls that break the forms' one case,
// lowerCamelCase ("codeEdit", "resultGrid"): a test that looks a control up
// by its name finds it only in that case. Qt's own ("qt_scrollarea_viewport")
// and unnamed controls are left out.
inline std::vector<std::string> NamesOutOfCase(const QWidget* window) {
    std::vector<std::string> out;
    for (const QWidget* control : window->findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
        bool lowerCamel = name.front().isLower();
        for (QChar c : name)
            lowerCamel = lowerCamel && c.isLetterOrNumber() && c.unicode() < 0x80;
        if (!lowerCamel) out.push_back(name.toStdString());
    }
    return out;
}

} // namespace testsupport

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

} // namespace testsupport

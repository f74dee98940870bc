// One QApplication for the widget tests of a test program.
#pragma once

#include <QApplication>

namespace kravin::test {

inline QApplication& qtApp()
{
    static int argc = 1;
    static char name[] = "kravin-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's devices must outlive every test's widgets.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace kravin::test

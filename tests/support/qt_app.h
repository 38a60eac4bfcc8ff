#pragma once

// For the test programs of the window and the dialog only: a header, so that the support
// library itself stays free of QtWidgets.
#include <gtest/gtest.h>
#include <QApplication>

namespace vesko::test {

// Deletes the application object when the tests are over, before the program's exit takes
// Qt's own globals down (an application object that outlives them crashes on the way out).
class QtAppEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        delete app;
        app = nullptr;
    }
    QApplication* app = nullptr;
};

inline QtAppEnvironment* const qtAppEnvironment
    = static_cast<QtAppEnvironment*>(::testing::AddGlobalTestEnvironment(new QtAppEnvironment));

// The one application object of the test program, made on first use.
inline QApplication& App()
{
    static int argc = 1;
    static char name[] = "vesko_gui_tests";
    static char* argv[] = { name, nullptr };
    if (!qtAppEnvironment->app)
        qtAppEnvironment->app = new QApplication(argc, argv);
    return *qtAppEnvironment->app;
}

} // namespace vesko::test

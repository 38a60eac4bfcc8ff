#pragma once

#include "app/frm_main.h"
#include "support/qt_app.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <memory>

namespace vesko::test {

// A real main window over a settings store of its own (first start: nothing stored).
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() { App(); }
    ~MainWindowTest() override
    {
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    frmMain& Window()
    {
        if (!window)
            window = std::make_unique<frmMain>();
        return *window;
    }
    template <typename W> W* Find(const char* name)
    {
        W* widget = Window().findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    TempDir temp;
    ScopedEnv config { "XDG_CONFIG_HOME", temp / "config" };
    ScopedEnv home { "HOME", temp / "home" };
    std::unique_ptr<frmMain> window;
};

} // namespace vesko::test

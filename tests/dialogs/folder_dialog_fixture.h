#pragma once

#include "dialogs/folder_dialog_controller.h"
#include "dialogs/frm_list_box.h"
#include "platform/host.h"
#include "platform/settings_backing.h"
#include "support/memory_form.h"
#include "support/qt_app.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

namespace vesko::test {

// The real dialog over a home folder of its own; the person is the recording one.
class FolderDialogTest : public ::testing::Test {
protected:
    FolderDialogTest()
    {
        App();
        MakeDirs(home + "/Docs/Letters");
        MakeDirs(home + "/Music");
        MakeDirs(home + "/.cache");
    }
    ~FolderDialogTest() override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // What a browse button does.
    frmListBox* Open(int index)
    {
        dialog.Show();
        dialog.SetHelpText("help " + std::to_string(index));
        dialog.SetTargetIndex(std::to_string(index));
        return dialog.Window();
    }
    QModelIndex Node(const std::string& path) { return dialog.Window()->FindFolder(path); }
    void DoubleClick(const std::string& path)
    {
        Q_EMIT dialog.Window()->Dir1->doubleClicked(Node(path));
    }
    void Add() { dialog.Window()->cmdAdd->click(); }

    TempDir temp;
    const std::string home = temp / "home";
    ScopedEnv homeEnv { "HOME", home };
    RecordingUi ui;
    MemoryForm form;
    SettingsStore store { temp / "settings.sqlite" };
    Host host { form, ui, store, nullptr };
    FolderDialogController dialog { host, nullptr };
};

} // namespace vesko::test

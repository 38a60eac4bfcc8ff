#include "settings/source_list.h"

#include "platform/folder_dialog.h"
#include "platform/host.h"
#include "platform/main_form.h"
#include "platform/path_rules.h"
#include "platform/ui_services.h"

#include <exception>
#include <string>

namespace vesko {

using Field = MainForm::Field;

void cmdAddSource_Click(Host& host)
{
    try {
        MainForm& form = host.form;
        const std::string text = form.Text(Field::txtSourceDir);
        // Only the empty text is refused; a blank is a folder name like any other.
        if (text.empty()) {
            host.ui.Beep();
            host.ui.MsgBox("Please enter a folder (with full path) and try again.",
                "Entry Required", Icon::Exclamation);
            return;
        }
        if (!paths::EndsWithSeparator(text))
            form.SetText(Field::txtSourceDir, text + paths::kSeparator);
        form.AppendSource(form.Text(Field::txtSourceDir));
        form.RepaintSources();
        form.SetText(Field::txtSourceDir, "");
    } catch (const std::exception& e) {
        ShowTrap(host.ui, "Add Source Directory Error", e.what());
    }
}

void cmdDeleteSource_Click(Host& host)
{
    try {
        MainForm& form = host.form;
        if (form.SelectedSourceCount() == 0) {
            host.ui.Beep();
            host.ui.MsgBox(
                "Select an item from the list first.", "Selection Required", Icon::Exclamation);
            return;
        }
        form.RemoveSource(form.SelectedSourceIndex());
        form.RepaintSources();
    } catch (const std::exception& e) {
        ShowTrap(host.ui, "Delete List Item Error", e.what());
    }
}

void cmdDirList_Click(Host& host, int index)
{
    // Without a window there is no dialog to drive.
    if (!host.dialog)
        return;
    host.dialog->Show();
    if (index < 5)
        host.dialog->SetHelpText(kShortHelpText);
    else if (index == 5)
        host.dialog->SetHelpText(kLongHelpText);
    host.dialog->SetTargetIndex(std::to_string(index));
}

} // namespace vesko

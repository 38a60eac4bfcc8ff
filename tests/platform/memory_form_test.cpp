#include "platform/memory_form.h"

#include <gtest/gtest.h>

using namespace vesko;

// The working state of the unattended runs: a deleted source leaves the others in order and
// nothing selected, as the window does; fields never set read as empty.
TEST(MemoryForm, DeleteKeepsTheOtherSourcesInOrderAndSelectsNothing)
{
    MemoryForm form;
    form.SetSources({ "/a/", "/b/", "/c/" });
    form.Select(1);
    form.RemoveSource(1);
    EXPECT_EQ(form.Sources(), (std::vector<std::string> { "/a/", "/c/" }));
    EXPECT_EQ(form.SelectedSourceCount(), 0);
    EXPECT_EQ(form.Text(MainForm::Field::ExportStatus) + form.Text(MainForm::Field::txtArcFolder),
        "Status");
    EXPECT_EQ(form.Caption(MainForm::Label::lblExport), "Last Export: Date Unavailable");
}

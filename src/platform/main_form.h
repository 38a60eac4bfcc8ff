#pragma once

#include <string>

namespace vesko {

// The controls of the main window that the procedures read and write: the program's
// working state. frmMain implements it on its widgets; tests use an in-memory form.
// Texts are bytes: paths exactly as the file system has them, everything else UTF-8.
class MainForm {
public:
    enum class Field {
        txtArcFolder,
        txtArjFolder,
        txtDestinDir,
        txtExportArj,
        txtImportArj,
        txtSourceDir,
        txtImportName,
        txtImportFolder,
        ExportStatus,
    };
    enum class Label { lblExport, lblImport };

    virtual ~MainForm() = default;

    virtual std::string Text(Field field) const = 0;
    virtual void SetText(Field field, const std::string& text) = 0;
    virtual std::string Caption(Label label) const = 0;
    virtual void SetCaption(Label label, const std::string& text) = 0;

    // fpBoolean1, "Span Archive": 1 ticked, 0 clear.
    virtual int SpanValue() const = 0;
    virtual void SetSpanValue(int value) = 0;

    // fpDateTime1: its value as text in month-day-year order ("12-06-2026").
    virtual std::string DateText() const = 0;
    virtual void SetDateText(const std::string& text) = 0;

    // txtSourceDirList: single selection, unsorted; SelectedIndex() is -1 with none. After
    // RemoveSource nothing is selected, so that each Delete removes a folder picked for it.
    virtual int SourceCount() const = 0;
    virtual std::string SourceItem(int index) const = 0;
    virtual void AppendSource(const std::string& item) = 0;
    virtual void RemoveSource(int index) = 0;
    virtual void ClearSources() = 0;
    virtual int SelectedSourceCount() const = 0;
    virtual int SelectedSourceIndex() const = 0;
    virtual void RepaintSources() = 0;
};

} // namespace vesko

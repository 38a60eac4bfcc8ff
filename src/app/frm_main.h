#pragma once

#include "app/qt_ui_services.h"
#include "platform/host.h"
#include "platform/main_form.h"
#include "storage/settings_store.h"

#include <memory>
#include <QWidget>

class QTabWidget;

namespace vesko {

class ExportTab;
class FolderDialog;
class HistoryWindow;
class ImportTab;
class PathField;
class SettingsTab;

// The main window: three tabs whose fields are the program's working state, and the
// buttons that start every operation.
class frmMain : public QWidget, public MainForm {
    Q_OBJECT

public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // The working state, on the widgets.
    std::string Text(Field field) const override;
    void SetText(Field field, const std::string& text) override;
    std::string Caption(Label label) const override;
    void SetCaption(Label label, const std::string& text) override;
    int SpanValue() const override;
    void SetSpanValue(int value) override;
    std::string DateText() const override;
    void SetDateText(const std::string& text) override;
    int SourceCount() const override;
    std::string SourceItem(int index) const override;
    void AppendSource(const std::string& item) override;
    void RemoveSource(int index) override;
    void ClearSources() override;
    int SelectedSourceCount() const override;
    int SelectedSourceIndex() const override;
    void RepaintSources() override;

    // The handlers, as the buttons run them.
    void Form_Load();
    void Form_Unload();
    void cmdExport_Click();
    void cmdImport_Click();
    void cmdApply_Click();
    void cmdReset_Click();
    void cmdAddSource_Click();
    void cmdDeleteSource_Click();
    void cmdDirList_Click(int Index);
    // Opens the run history beside the window, or brings it forward.
    void cmdHistory_Click();

    QTabWidget* vaTabPro1() const { return vaTabPro1_; }
    ExportTab* exportTab() const { return exportTab_; }
    ImportTab* importTab() const { return importTab_; }
    SettingsTab* settingsTab() const { return settingsTab_; }
    QtUiServices& Ui() { return ui_; }
    Host& host() { return host_; }
    FolderDialog* Dialog() const { return dialog_.get(); }
    // The run history window, once History has been pressed.
    HistoryWindow* History() const { return history_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The field's widget; nullptr for ExportStatus, the one field that holds no path.
    PathField* PathWidget(Field field) const;
    template <typename Handler> void Run(Handler&& handler);

    SettingsStore store_;
    QtUiServices ui_;
    Host host_;
    std::unique_ptr<FolderDialog> dialog_;
    bool running_ = false;

    QTabWidget* vaTabPro1_;
    ExportTab* exportTab_;
    ImportTab* importTab_;
    SettingsTab* settingsTab_;
    HistoryWindow* history_ = nullptr;
};

} // namespace vesko

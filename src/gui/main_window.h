#pragma once

#include "care/care_settings.h"
#include "core/settings.h"
#include "gui/qt_ui_services.h"
#include "gui/window_stretch.h"
#include "storage/settings_store.h"

#include <memory>
#include <optional>
#include <QDate>
#include <QWidget>

class QLabel;
class QTabWidget;

namespace vesko {

class ExportTab;
class FolderPickerController;
class HistoryWindow;
class ImportTab;
class NightlyControls;
class SettingsTab;
enum class PickerTarget;

// The main window: three tabs, the settings as the person edits them, and the buttons that
// start every operation. A run is given what the fields hold as they stand, applied or not.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    // The size every control was placed for; the window may grow beyond it.
    static constexpr QSize kFirstSize { 404, 296 };

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // The Settings tab's fields and the source list, as one value, and back.
    Settings SettingsInWindow() const;
    void ShowSettings(const Settings& settings);
    // The care fields beside them: empty or 0 is not set. Throws Error naming a field that
    // holds anything else but a count ParseCareCount takes.
    CareSettings CareInWindow() const;
    void ShowCare(const CareSettings& care);
    // The stored settings into the window, the dates of the last runs into their labels, and
    // the Import tab's fields from them. Trap "Refresh Labels Error".
    void LoadSettingsIntoWindow();

    // Edits in the Settings tab not applied yet (against what was last loaded or applied).
    bool HasUnappliedChanges() const;
    // The line beside the date field that says what its day means.
    QLabel* CutOffSinceLabel() const { return cutOffSinceLabel_; }

    // The handlers, as the buttons run them.
    void LoadWindow();
    void UnloadWindow();
    void ExportClicked();
    void ImportClicked();
    void ApplyClicked();
    void ResetClicked();
    void AddSourceClicked();
    void DeleteSourceClicked();
    void BrowseClicked(int index);
    // Opens the run history beside the window, or brings it forward.
    void HistoryClicked();

    QTabWidget* tabs() const { return tabs_; }
    ExportTab* exportTab() const { return exportTab_; }
    ImportTab* importTab() const { return importTab_; }
    SettingsTab* settingsTab() const { return settingsTab_; }
    QtUiServices& Ui() { return ui_; }
    SettingsStore& Store() { return store_; }
    FolderPickerController* Picker() const { return picker_.get(); }
    NightlyControls& Nightly() const { return *nightly_; }
    // The run history window, once History has been pressed.
    HistoryWindow* History() const { return history_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    template <typename Handler> void Run(Handler&& handler);
    void SetTabOrder();
    void ConnectButtons();
    void ShowLastRunDates();
    // The Export tab's warning line from the run history, as it stands now.
    void ShowExportWarning();
    // The date field on the day the last successful export began copying, or on the day
    // before every file when there was none; the line beside it says which.
    void ShowCutOffSinceLastExport();
    void ShowCutOffMeaning();
    // "Archiver Not Found" when the ARJ folder shown holds no program arj.
    void WarnWithoutArchiver();
    // Apply / Discard / Cancel for unapplied edits; false when the window is to stay open.
    bool ConfirmCloseWithEdits();
    bool RefuseNothingInWindow(const Settings& settings);
    void SetUpStretch();
    void RestoreWindowSize();
    void RememberWindowSize();
    // The folder fields given their ending '/', in the window too, as the runs use them.
    Settings SettingsForRun();
    void Deliver(PickerTarget target, const std::string& folder);
    void AppendSource(const std::string& folder);

    SettingsStore store_;
    QtUiServices ui_;
    std::unique_ptr<FolderPickerController> picker_;
    std::unique_ptr<NightlyControls> nightly_;
    bool running_ = false;

    QTabWidget* tabs_;
    ExportTab* exportTab_;
    ImportTab* importTab_;
    SettingsTab* settingsTab_;
    HistoryWindow* history_ = nullptr;
    QLabel* cutOffSinceLabel_ = nullptr;
    WindowStretch stretch_;
    Settings loadedSettings_; // as last loaded or applied, the folders with their ending '/'
    CareSettings loadedCare_;
    std::optional<QDate> lastExportDay_;
    bool warnedAboutArchiver_ = false;
};

} // namespace vesko

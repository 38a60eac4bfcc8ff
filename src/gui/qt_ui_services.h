#pragma once

#include "core/ui_services.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QWidget;

namespace vesko {

class ProgressDialog;

// The person's side of the procedures on Qt: modal message boxes over the window in
// front, the beep, the main window's wait cursor, and the progress window.
class QtUiServices : public UiServices {
public:
    explicit QtUiServices(QWidget* mainWindow);
    ~QtUiServices() override;
    QtUiServices(const QtUiServices&) = delete;
    QtUiServices& operator=(const QtUiServices&) = delete;

    void Beep() override;
    void SetBusy(bool on) override;

    void ProgressBegin(const std::string& title) override;
    void ProgressStep(const std::string& step) override;
    void ProgressFolder(const std::string& path) override;
    void ProgressCounts(std::uint64_t examined, std::uint64_t copied, std::uint64_t bytes) override;
    void ProgressOutput(const std::string& line) override;
    bool ProgressPoll() override;
    void ProgressEnd() override;

    bool Busy() const { return busy_; }
    // The progress window while a run shows it, else nullptr.
    ProgressDialog* Progress() const;

    // A message's text as the box shows it: each CR a line break.
    static QString BoxText(const std::string& text);

protected:
    Answer ShowMessage(const std::string& text, const std::string& title, Icon icon,
        Buttons buttons, const std::string& details) override;

private:
    QWidget* BoxParent() const;
    void FlushProgress();

    QPointer<QWidget> mainWindow_;
    QPointer<ProgressDialog> progress_;
    int progressDepth_ = 0;
    bool busy_ = false;
    QElapsedTimer sincePoll_;
    // Folder and counts arrive far more often than a person can read them; they are shown
    // when the windows are next painted.
    QString pendingFolder_;
    bool folderPending_ = false;
    std::uint64_t counts_[3] = { 0, 0, 0 };
    bool countsPending_ = false;
};

} // namespace vesko

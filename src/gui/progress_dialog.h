#pragma once

#include <cstdint>
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vesko {

// The modal window over the main window while an export copies and archives: the step,
// the folder being walked, the counts, the archiver's output, and Cancel.
class ProgressDialog : public QDialog {
public:
    explicit ProgressDialog(QWidget* parent);

    void SetStep(const QString& step);
    void SetFolder(const QString& folder);
    void SetCounts(std::uint64_t examined, std::uint64_t copied, std::uint64_t bytes);
    void AppendOutput(const QString& line);
    void ResetCancel();
    bool Cancelled() const { return cancelled_; }

    QLabel* Step() const { return step_; }
    QLabel* Folder() const { return folder_; }
    QLabel* Counts() const { return counts_; }
    QPlainTextEdit* Output() const { return output_; }
    QPushButton* CancelButton() const { return cancel_; }

    // Escape and the window's close button cancel too; the window stays until the run ends.
    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ElideFolder();

    QLabel* step_;
    QLabel* folder_;
    QLabel* counts_;
    QPlainTextEdit* output_;
    QPushButton* cancel_;
    QString folderText_;
    bool cancelled_ = false;
};

} // namespace vesko

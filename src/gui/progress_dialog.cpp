#include "gui/progress_dialog.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesko {

ProgressDialog::ProgressDialog(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("progressWindow"));
    // Nothing else of the program may start while a run is under way.
    setWindowModality(Qt::ApplicationModal);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    step_ = new QLabel(this);
    step_->setObjectName(QStringLiteral("stepLabel"));
    QFont bold = step_->font();
    bold.setBold(true);
    step_->setFont(bold);
    // The archiver's command line can be long: it wraps instead of widening the window.
    step_->setWordWrap(true);
    step_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    step_->setTextFormat(Qt::PlainText);
    folder_ = new QLabel(this);
    folder_->setObjectName(QStringLiteral("folderLabel"));
    folder_->setMinimumWidth(100);
    folder_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    folder_->setTextFormat(Qt::PlainText);
    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("countsLabel"));
    output_ = new QPlainTextEdit(this);
    output_->setObjectName(QStringLiteral("outputView"));
    output_->setReadOnly(true);
    output_->setLineWrapMode(QPlainTextEdit::NoWrap);
    output_->setMaximumBlockCount(5000);
    output_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, &ProgressDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(step_);
    layout->addWidget(folder_);
    layout->addWidget(counts_);
    layout->addWidget(output_, 1);
    layout->addLayout(buttons);
    resize(520, 340);
    SetCounts(0, 0, 0);
}

void ProgressDialog::SetStep(const QString& step)
{
    step_->setText(step);
}

void ProgressDialog::SetFolder(const QString& folder)
{
    folderText_ = folder;
    folder_->setToolTip(folder);
    ElideFolder();
}

void ProgressDialog::SetCounts(std::uint64_t examined, std::uint64_t copied, std::uint64_t bytes)
{
    QLocale locale;
    counts_->setText(QStringLiteral("%1 files examined, %2 copied (%3 bytes)")
                         .arg(locale.toString(static_cast<qulonglong>(examined)),
                             locale.toString(static_cast<qulonglong>(copied)),
                             locale.toString(static_cast<qulonglong>(bytes))));
}

void ProgressDialog::AppendOutput(const QString& line)
{
    output_->appendPlainText(line);
}

void ProgressDialog::ResetCancel()
{
    cancelled_ = false;
    cancel_->setEnabled(true);
}

void ProgressDialog::reject()
{
    cancelled_ = true;
    cancel_->setEnabled(false);
}

void ProgressDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ElideFolder();
}

void ProgressDialog::ElideFolder()
{
    folder_->setText(
        folder_->fontMetrics().elidedText(folderText_, Qt::ElideMiddle, folder_->width()));
}

} // namespace vesko

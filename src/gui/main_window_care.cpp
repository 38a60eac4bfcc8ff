// The archives' care fields of the Settings tab, to and from the value the runs read.
#include "gui/main_window.h"
#include "gui/settings_tab.h"
#include "platform/error.h"

#include <QLineEdit>

namespace vesko {

CareSettings MainWindow::CareInWindow() const
{
    const auto count = [](const QLineEdit* field, const char* caption, const char* unit) {
        const std::string text = field->text().trimmed().toStdString();
        int value = 0;
        if (text.empty() || text == "0" || ParseCareCount(text, value))
            return value;
        throw Error(std::string("\"") + caption + "\" holds " + text + ", which is not a number of "
            + unit + " from 1 to 36500. Leave it empty or 0 for none.");
    };
    const SettingsTab* s = settingsTab_;
    return { count(s->fullEveryEdit, "Full export every", "days"),
        count(s->keepChainsEdit, "Keep the newest", "chains") };
}

void MainWindow::ShowCare(const CareSettings& care)
{
    const auto show = [](QLineEdit* field, int value) {
        field->setText(value > 0 ? QString::number(value) : QString());
    };
    show(settingsTab_->fullEveryEdit, care.fullEveryDays);
    show(settingsTab_->keepChainsEdit, care.keepChains);
}

} // namespace vesko

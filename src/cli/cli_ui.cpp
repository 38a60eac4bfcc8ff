#include "cli/cli_ui.h"

#include <algorithm>

namespace vesko::cli {

void CliUi::ProgressOutput(const std::string& line)
{
    out_ << line << '\n';
    out_.flush();
}

Answer CliUi::ShowMessage(const std::string& text, const std::string& title, Icon, Buttons buttons)
{
    std::string oneLine = text;
    std::replace(oneLine.begin(), oneLine.end(), CR, ' ');
    std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
    err_ << title << ": " << oneLine << '\n';
    err_.flush();
    ++boxes_;
    return buttons == Buttons::Ok ? Answer::Ok : answer_;
}

} // namespace vesko::cli

#include "cli/cli_ui.h"

#include <algorithm>

namespace vesko::cli {

void CliUi::ProgressStep(const std::string& step)
{
    err_ << step << '\n';
    err_.flush();
}

void CliUi::ProgressOutput(const std::string& line)
{
    out_ << line << '\n';
    out_.flush();
}

Answer CliUi::ShowMessage(const std::string& text, const std::string& title, Icon, Buttons buttons,
    const std::string& details)
{
    // Nobody is there to answer: the answer fixed in advance is taken without printing a
    // question the log's reader could think went unanswered.
    if (buttons != Buttons::Ok)
        return answer_;
    std::string oneLine = text;
    std::replace(oneLine.begin(), oneLine.end(), CR, ' ');
    std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
    err_ << title << ": " << oneLine << '\n';
    // Nothing is folded away in a log: the details follow, one line for each of theirs.
    if (!details.empty()) {
        std::string lines = details;
        std::replace(lines.begin(), lines.end(), CR, '\n');
        err_ << lines << (lines.back() == '\n' ? "" : "\n");
    }
    err_.flush();
    ++boxes_;
    return Answer::Ok;
}

} // namespace vesko::cli

#include "support/recording_ui.h"

namespace vesko::test {

void RecordingUi::ProgressBegin(const std::string&)
{
    ++progressDepth_;
    ++progressBegins_;
}

void RecordingUi::ProgressCounts(std::uint64_t, std::uint64_t copied, std::uint64_t)
{
    copied_ = copied;
}

void RecordingUi::ProgressEnd()
{
    if (progressDepth_ > 0)
        --progressDepth_;
}

vesko::Answer RecordingUi::ShowMessage(const std::string& text, const std::string& title, Icon icon,
    Buttons buttons, const std::string& details)
{
    vesko::Answer answer = vesko::Answer::Ok;
    if (buttons != Buttons::Ok) {
        answer = buttons == Buttons::YesNo ? vesko::Answer::Yes : vesko::Answer::No;
        if (!script_.empty()) {
            answer = script_.front();
            script_.pop_front();
        }
    }
    events_.push_back({ Event::Kind::Box, title, text, icon, buttons, answer, details,
        progressDepth_ > 0 || busy_ });
    return answer;
}

std::vector<RecordingUi::Event> RecordingUi::Boxes() const
{
    std::vector<Event> boxes;
    for (const auto& e : events_)
        if (e.kind == Event::Kind::Box)
            boxes.push_back(e);
    return boxes;
}

std::vector<std::string> RecordingUi::Log() const
{
    std::vector<std::string> log;
    for (const auto& e : events_)
        log.push_back(e.kind == Event::Kind::Beep
                ? std::string("beep")
                : "-i?!x"[int(e.icon)] + e.title + "|" + Flat(e.text));
    return log;
}

std::string Flat(const std::string& text)
{
    std::string out = text;
    for (auto& c : out)
        if (c == '\r')
            c = '|';
    return out;
}

} // namespace vesko::test

#pragma once

#include "core/ui_services.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace vesko::test {

// The person, faked: records every beep and box in order and answers questions from a
// script (the default button when the script has run out).
class RecordingUi : public UiServices {
public:
    struct Event {
        enum class Kind { Beep, Box } kind;
        std::string title;
        std::string text;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        Answer answer = Answer::Ok;
        std::string details;
        bool underWay = false; // shown while the progress window or the busy pointer was on
    };

    void Answer(vesko::Answer a) { script_.push_back(a); }
    // Asked at each poll of the progress window: the person presses Cancel when it says so,
    // and may act on the files meanwhile.
    std::function<bool()> cancelWhen;

    void Beep() override
    {
        events_.push_back(
            { Event::Kind::Beep, {}, {}, Icon::None, Buttons::Ok, vesko::Answer::Ok, {}, false });
    }
    void SetBusy(bool on) override
    {
        busy_ = on;
        busyChanges_.push_back(on);
    }

    void ProgressBegin(const std::string& title) override;
    void ProgressStep(const std::string& step) override { steps_.push_back(step); }
    void ProgressFolder(const std::string&) override { }
    void ProgressCounts(std::uint64_t examined, std::uint64_t copied, std::uint64_t bytes) override;
    void ProgressOutput(const std::string& line) override { output_.push_back(line); }
    bool ProgressPoll() override { return cancelWhen && cancelWhen(); }
    void ProgressEnd() override;

    const std::vector<Event>& Events() const { return events_; }
    // The boxes alone, in order.
    std::vector<Event> Boxes() const;
    // "beep", or a box as its icon ("-i?!x"), title and text with each CR a '|'.
    std::vector<std::string> Log() const;
    bool Busy() const { return busy_; }
    const std::vector<bool>& BusyChanges() const { return busyChanges_; }
    bool ProgressOpen() const { return progressDepth_ > 0; }
    int ProgressBegins() const { return progressBegins_; }
    const std::vector<std::string>& Output() const { return output_; }
    const std::vector<std::string>& Steps() const { return steps_; }
    std::uint64_t CopiedCount() const { return copied_; }
    void Clear() { events_.clear(); }

protected:
    vesko::Answer ShowMessage(const std::string& text, const std::string& title, Icon icon,
        Buttons buttons, const std::string& details) override;

private:
    std::vector<Event> events_;
    std::deque<vesko::Answer> script_;
    bool busy_ = false;
    std::vector<bool> busyChanges_;
    int progressDepth_ = 0;
    int progressBegins_ = 0;
    std::uint64_t copied_ = 0;
    std::vector<std::string> output_;
    std::vector<std::string> steps_;
};

// The text of a box with each CR shown as '|', for compact expectations.
std::string Flat(const std::string& text);

} // namespace vesko::test

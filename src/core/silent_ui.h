#pragma once

#include "core/ui_services.h"

namespace vesko {

// The person's side for work nobody watches (a helper program the run starts on its own):
// nothing is shown, no question is asked, nothing is cancelled. Override what differs.
class SilentUi : public UiServices {
public:
    void Beep() override { }
    void SetBusy(bool) override { }
    void ProgressBegin(const std::string&) override { }
    void ProgressStep(const std::string&) override { }
    void ProgressFolder(const std::string&) override { }
    void ProgressCounts(std::uint64_t, std::uint64_t, std::uint64_t) override { }
    void ProgressOutput(const std::string&) override { }
    bool ProgressPoll() override { return false; }
    void ProgressEnd() override { }

protected:
    Answer ShowMessage(
        const std::string&, const std::string&, Icon, Buttons, const std::string&) override
    {
        return Answer::Ok;
    }
};

} // namespace vesko

#pragma once

#include "core/ui_services.h"

#include <ostream>

namespace vesko::cli {

// The person, when nobody is there: every box becomes one line "Title: text" on the error
// stream (each CR shown as a space), and so does each step of the progress window, as it
// begins; the one question gets the answer fixed in advance, silently,
// the archiver's output lines go to the output stream as they arrive, and nothing is ever
// cancelled.
class CliUi : public UiServices {
public:
    CliUi(std::ostream& out, std::ostream& err, Answer questionAnswer)
        : out_(out)
        , err_(err)
        , answer_(questionAnswer)
    {
    }

    void Beep() override { }
    void SetBusy(bool) override { }
    void ProgressBegin(const std::string&) override { }
    void ProgressStep(const std::string& step) override;
    void ProgressFolder(const std::string&) override { }
    void ProgressCounts(std::uint64_t, std::uint64_t, std::uint64_t) override { }
    void ProgressOutput(const std::string& line) override;
    bool ProgressPoll() override { return false; }
    void ProgressEnd() override { }

    // How many boxes have been written so far (questions are not written).
    int BoxCount() const { return boxes_; }

protected:
    Answer ShowMessage(const std::string& text, const std::string& title, Icon icon,
        Buttons buttons, const std::string& details) override;

private:
    std::ostream& out_;
    std::ostream& err_;
    Answer answer_;
    int boxes_ = 0;
};

} // namespace vesko::cli

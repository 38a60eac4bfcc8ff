#pragma once

#include <cstdint>
#include <string>

namespace vesko {

inline constexpr const char* kAppTitle = "Zeltan's Vesko Backup";
// A line break inside a message is one carriage return.
inline constexpr char CR = '\r';

enum class Icon { None, Information, Question, Exclamation, Critical };
// YesNoDefaultNo: the question whose safe answer is No, so that Enter keeps what is there.
enum class Buttons { Ok, YesNo, YesNoDefaultNo };
enum class Answer { Ok, Yes, No };

// What the procedures need from the window toolkit besides the form's fields: the modal
// message box, the beep, the busy pointer, and the progress window of a long run.
class UiServices {
public:
    virtual ~UiServices() = default;

    // A box given no title carries the application title. details: a longer text the box
    // keeps folded away until asked for (a whole list the text shows the start of).
    Answer MsgBox(const std::string& text, const std::string& title, Icon icon,
        Buttons buttons = Buttons::Ok, const std::string& details = {})
    {
        return ShowMessage(
            text, title.empty() ? std::string(kAppTitle) : title, icon, buttons, details);
    }
    virtual void Beep() = 0;
    virtual void SetBusy(bool on) = 0;

    // The modal progress window that sits over the main window during an export's copy
    // phase and while the archiver runs. ProgressPoll keeps the windows painted and answers
    // whether the person pressed Cancel; callers poll it often, implementations throttle.
    virtual void ProgressBegin(const std::string& title) = 0;
    virtual void ProgressStep(const std::string& step) = 0;
    virtual void ProgressFolder(const std::string& path) = 0;
    virtual void ProgressCounts(std::uint64_t examined, std::uint64_t copied, std::uint64_t bytes)
        = 0;
    virtual void ProgressOutput(const std::string& line) = 0;
    virtual bool ProgressPoll() = 0;
    virtual void ProgressEnd() = 0;

protected:
    virtual Answer ShowMessage(const std::string& text, const std::string& title, Icon icon,
        Buttons buttons, const std::string& details)
        = 0;
};

// Shows the trap's box for a caught failure: beep, critical icon, OK, the description.
inline void ShowTrap(UiServices& ui, const std::string& title, const std::string& description)
{
    ui.Beep();
    ui.MsgBox(description, title, Icon::Critical);
}

} // namespace vesko

#pragma once

#include "core/ui_services.h"

#include <string>

namespace vesko {

// The busy pointer and the progress window of one run: switched off at every ending, the
// failure trap's included, and before the run's closing box.
class RunIndicators {
public:
    explicit RunIndicators(UiServices& ui)
        : ui_(ui)
    {
    }
    ~RunIndicators()
    {
        try {
            Finish();
        } catch (...) {
            // A window that is going away has nothing left to switch off.
        }
    }
    RunIndicators(const RunIndicators&) = delete;
    RunIndicators& operator=(const RunIndicators&) = delete;

    void Busy()
    {
        ui_.SetBusy(true);
        busy_ = true;
    }
    void BeginProgress(const std::string& title)
    {
        ui_.ProgressBegin(title);
        progress_ = true;
    }
    void Finish()
    {
        if (progress_) {
            progress_ = false;
            ui_.ProgressEnd();
        }
        if (busy_) {
            busy_ = false;
            ui_.SetBusy(false);
        }
    }

private:
    UiServices& ui_;
    bool busy_ = false;
    bool progress_ = false;
};

} // namespace vesko

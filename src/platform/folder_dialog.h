#pragma once

#include <string>

namespace vesko {

// The one folder selection dialog, as the browse buttons drive it.
class FolderDialog {
public:
    virtual ~FolderDialog() = default;
    // Creates it (running its load step) when it does not exist, shows it without
    // blocking the main window and brings it to the front.
    virtual void Show() = 0;
    // Label1, the help text.
    virtual void SetHelpText(const std::string& text) = 0;
    // Text1, the target index as decimal text.
    virtual void SetTargetIndex(const std::string& text) = 0;
    // Closes it when open (the main window's unload).
    virtual void Close() = 0;
};

} // namespace vesko

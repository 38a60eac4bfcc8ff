#pragma once

#include <QRect>
#include <vector>

class QWidget;

namespace vesko {

// Lets controls placed for the window's first size follow a larger window: each keeps its
// place and size at the first size, and beyond it moves and grows by shares of the growth.
class WindowStretch {
public:
    struct Share {
        double moveX = 0, growX = 0, moveY = 0, growY = 0;
    };
    // Remembers the control's place as it stands now, its place at the first size.
    void Add(QWidget* control, Share share);
    // Places every control for a window grown by dx and dy pixels beyond its first size.
    void Apply(int dx, int dy) const;

private:
    struct Rule {
        QWidget* control;
        QRect first;
        Share share;
    };
    std::vector<Rule> rules_;
};

} // namespace vesko

#include "gui/window_stretch.h"

#include <cmath>
#include <QWidget>

namespace vesko {

void WindowStretch::Add(QWidget* control, Share share)
{
    rules_.push_back({ control, control->geometry(), share });
}

void WindowStretch::Apply(int dx, int dy) const
{
    const auto part
        = [](double share, int growth) { return static_cast<int>(std::lround(share * growth)); };
    for (const Rule& rule : rules_) {
        const Share& s = rule.share;
        rule.control->setGeometry(rule.first.x() + part(s.moveX, dx),
            rule.first.y() + part(s.moveY, dy), rule.first.width() + part(s.growX, dx),
            rule.first.height() + part(s.growY, dy));
    }
}

} // namespace vesko

#include "cli/name_pattern.h"

#include <cstddef>

namespace vesko::cli {

namespace {

// Where each field stands in the stored date text, "2026-12-06 17:30:12".
struct Field {
    char letter;
    std::size_t at;
    std::size_t length;
};
constexpr Field kFields[]
    = { { 'Y', 0, 4 }, { 'm', 5, 2 }, { 'd', 8, 2 }, { 'H', 11, 2 }, { 'M', 14, 2 } };

} // namespace

bool ExpandNamePattern(
    const std::string& pattern, TimePoint when, std::string& name, std::string& error)
{
    const std::string stamp = StoredDateText(when);
    name.clear();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            name += pattern[i];
            continue;
        }
        const char letter = i + 1 < pattern.size() ? pattern[++i] : '\0';
        if (letter == '%') {
            name += '%';
            continue;
        }
        bool known = false;
        for (const Field& field : kFields)
            if (field.letter == letter) {
                name += stamp.substr(field.at, field.length);
                known = true;
            }
        if (!known) {
            error = "--name knows %Y %m %d %H %M and %%, not '%"
                + std::string(letter ? 1 : 0, letter) + "' in '" + pattern + "'";
            return false;
        }
    }
    return true;
}

} // namespace vesko::cli

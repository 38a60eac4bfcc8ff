#pragma once

#include <QLineEdit>
#include <string>

namespace vesko {

// A text field that holds a path: it shows the path readably (ShownPath) and gives back
// its bytes, the original ones for whatever the person left as it was. Its tooltip shows
// the whole text, which the narrow field cuts short.
class PathField : public QLineEdit {
public:
    explicit PathField(QWidget* parent = nullptr);

    void SetPath(const std::string& path);
    std::string Path() const;

private:
    std::string path_;
};

} // namespace vesko

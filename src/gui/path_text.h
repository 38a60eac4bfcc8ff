#pragma once

#include <QString>
#include <string>

namespace vesko {

// Paths are bytes; the widgets show text. A name that is not UTF-8 (an old stick's
// "caf\xE9") is shown readably: each byte that is no part of a UTF-8 character as the Latin-1
// letter it most often was, or U+FFFD for a control byte. That text alone cannot give the
// bytes back, so a widget keeps the bytes beside it and asks PathBytes() for them.
QString ShownPath(const std::string& bytes);

// The bytes that the text shown for `original` stands for after the person edited it into
// `edited`: the original bytes of the unchanged beginning and end, and the typed text
// between them as UTF-8. The unedited text gives the original back byte for byte.
std::string PathBytes(const std::string& original, const QString& edited);

} // namespace vesko

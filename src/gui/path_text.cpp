#include "gui/path_text.h"

#include <vector>

namespace vesko {

namespace {

// The length of the well-formed UTF-8 character at bytes[at], 0 when there is none.
std::size_t CharacterLength(const std::string& bytes, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // overlong
        if (lead == 0xED)
            high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90; // overlong
        if (lead == 0xF4)
            high = 0x8F; // past U+10FFFF
    } else {
        return 0;
    }
    if (at + length > bytes.size() || byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    return length;
}

// The shown text, and for each of its positions (and its end) the offset of the byte it
// begins at; std::string::npos inside a character that takes two QChars.
QString Decode(const std::string& bytes, std::vector<std::size_t>* offsets)
{
    QString shown;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = CharacterLength(bytes, at);
        const int before = static_cast<int>(shown.size());
        if (length > 0) {
            shown += QString::fromUtf8(bytes.data() + at, static_cast<qsizetype>(length));
        } else {
            const auto byte = static_cast<unsigned char>(bytes[at]);
            shown += byte >= 0xA0 ? QChar(static_cast<char16_t>(byte))
                                  : QChar(QChar::ReplacementCharacter);
        }
        if (offsets) {
            offsets->push_back(at);
            for (int i = before + 1; i < shown.size(); ++i)
                offsets->push_back(std::string::npos);
        }
        at += length > 0 ? length : 1;
    }
    if (offsets)
        offsets->push_back(bytes.size());
    return shown;
}

} // namespace

QString ShownPath(const std::string& bytes)
{
    return Decode(bytes, nullptr);
}

std::string PathBytes(const std::string& original, const QString& edited)
{
    std::vector<std::size_t> offsets;
    const QString shown = Decode(original, &offsets);
    if (edited == shown)
        return original;
    const qsizetype shortest = std::min(shown.size(), edited.size());
    qsizetype prefix = 0;
    while (prefix < shortest && shown[prefix] == edited[prefix])
        ++prefix;
    while (offsets[static_cast<std::size_t>(prefix)] == std::string::npos)
        --prefix;
    qsizetype suffix = 0;
    while (suffix < shortest - prefix
        && shown[shown.size() - 1 - suffix] == edited[edited.size() - 1 - suffix])
        ++suffix;
    while (offsets[static_cast<std::size_t>(shown.size() - suffix)] == std::string::npos)
        --suffix;
    const std::size_t head = offsets[static_cast<std::size_t>(prefix)];
    const std::size_t tail = offsets[static_cast<std::size_t>(shown.size() - suffix)];
    return original.substr(0, head)
        + edited.mid(prefix, edited.size() - prefix - suffix).toUtf8().toStdString()
        + original.substr(tail);
}

} // namespace vesko

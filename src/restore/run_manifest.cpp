#include "restore/run_manifest.h"

#include "platform/error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace vesko {

namespace {

// Version 2 names each file below the folder of the "in" line before it: about half the bytes
// of version 1's full paths, which the archiver then compresses in half the time. Archives
// written with version 1 keep restoring.
constexpr std::string_view kFirstLine = "vesko-backup run 2";
constexpr std::string_view kFirstLineVersion1 = "vesko-backup run 1";

void AppendEscaped(std::string& out, std::string_view name)
{
    for (const char c : name) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

std::string Unescaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            throw Error("Damaged manifest: a name ends in an escape");
        const char c = text[i];
        out += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    }
    return out;
}

// The line's fields, split at tabs (which a name never holds unescaped).
std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == line.npos ? line.npos : tab - start));
        if (tab == line.npos)
            return fields;
        start = tab + 1;
    }
}

std::int64_t Number(std::string_view text)
{
    if (text.empty() || text.size() > 19)
        throw Error("Damaged manifest: \"" + std::string(text) + "\" is not a number");
    std::int64_t n = 0;
    std::size_t i = text[0] == '-' ? 1 : 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            throw Error("Damaged manifest: \"" + std::string(text) + "\" is not a number");
        n = n * 10 + (text[i] - '0');
    }
    return text[0] == '-' ? -n : n;
}

bool IsFileLine(std::string_view line)
{
    return !line.empty() && line[0] >= '0' && line[0] <= '9';
}

// One line; folder is the last "in" line's folder, for the file lines after it.
void ReadLine(RunManifest& manifest, std::string_view line, std::string& folder)
{
    if (IsFileLine(line)) {
        const std::vector<std::string_view> fields = Fields(line);
        if (fields.size() != 3)
            throw Error(
                "Damaged manifest: a file line holds " + std::to_string(fields.size()) + " fields");
        manifest.files.push_back({ folder + '/' + Unescaped(fields[2]),
            static_cast<std::uint64_t>(Number(fields[0])), Number(fields[1]) });
        return;
    }
    const std::size_t space = line.find(' ');
    const std::string_view key = line.substr(0, space);
    const std::vector<std::string_view> fields
        = Fields(space == line.npos ? std::string_view() : line.substr(space + 1));
    if (key == "file" && fields.size() == 3)
        manifest.files.push_back({ Unescaped(fields[2]),
            static_cast<std::uint64_t>(Number(fields[0])), Number(fields[1]) });
    else if (key == "in" && fields.size() == 1)
        folder = Unescaped(fields[0]);
    else if (key == "source" && fields.size() == 2)
        manifest.sources.push_back({ Unescaped(fields[0]), Unescaped(fields[1]) });
    else if (key == "started" && fields.size() == 1)
        manifest.started = Number(fields[0]);
    else if (key == "full" && fields.size() == 1)
        manifest.full = fields[0] == "1";
    else if (key == "cut-off" && fields.size() == 1)
        manifest.cutOffDay = std::string(fields[0]);
    else
        throw Error("Damaged manifest: a line begins \"" + std::string(key) + "\"");
}

} // namespace

std::string ManifestText(const RunManifest& manifest)
{
    std::string out(kFirstLine);
    out += "\nstarted " + std::to_string(manifest.started) + "\nfull " + (manifest.full ? "1" : "0")
        + "\ncut-off " + manifest.cutOffDay + "\n";
    for (const ManifestSource& source : manifest.sources) {
        out += "source ";
        AppendEscaped(out, source.original);
        out += '\t';
        AppendEscaped(out, source.stored);
        out += '\n';
    }
    std::string_view folder;
    bool first = true;
    for (const ManifestFile& file : manifest.files) {
        const std::string_view path(file.path);
        const std::size_t slash = path.rfind('/');
        const std::string_view in = slash == path.npos ? std::string_view() : path.substr(0, slash);
        if (first || in != folder) {
            out += "in ";
            AppendEscaped(out, in);
            out += '\n';
            folder = in;
            first = false;
        }
        out += std::to_string(file.size) + '\t' + std::to_string(file.modified) + '\t';
        AppendEscaped(out, path.substr(slash == path.npos ? 0 : slash + 1));
        out += '\n';
    }
    return out;
}

RunManifest ParseManifest(const std::string& text)
{
    std::string_view rest(text);
    const auto nextLine = [&rest]() {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == rest.npos ? std::string_view() : rest.substr(end + 1);
        return line;
    };
    const std::string_view first = nextLine();
    if (first != kFirstLine && first != kFirstLineVersion1)
        throw Error("Not a manifest of this program's, or of a later version");
    RunManifest manifest;
    std::string folder;
    while (!rest.empty())
        ReadLine(manifest, nextLine(), folder);
    return manifest;
}

std::pair<std::string_view, std::string_view> SplitManifest(std::string_view text)
{
    // The files begin with the first "in" line (version 2) or "file" line (version 1).
    const bool atStart = text.starts_with("file ") || text.starts_with("in ");
    const std::size_t files = atStart ? 0 : std::min(text.find("\nfile "), text.find("\nin "));
    if (files == text.npos)
        return { text, {} };
    const std::size_t cut = files == 0 ? 0 : files + 1;
    return { text.substr(0, cut), text.substr(cut) };
}

std::vector<ManifestFile> ParseManifestFiles(std::string_view lines)
{
    RunManifest manifest;
    std::string folder;
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        const std::string_view line = lines.substr(0, end);
        lines = end == lines.npos ? std::string_view() : lines.substr(end + 1);
        if (!line.starts_with("file ") && !line.starts_with("in ") && !IsFileLine(line))
            throw Error("Damaged manifest: a line among the files begins \""
                + std::string(line.substr(0, line.find(' '))) + "\"");
        ReadLine(manifest, line, folder);
    }
    return std::move(manifest.files);
}

void WriteManifestFile(const std::string& tempFolder, const RunManifest& manifest)
{
    const std::string path = tempFolder + kRunManifestName;
    const std::string text = ManifestText(manifest);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw Error("Cannot write " + path + ": " + std::strerror(errno));
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = errno;
            ::close(fd);
            throw Error("Cannot write " + path + ": " + std::strerror(error));
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        throw Error("Cannot write " + path + ": " + std::strerror(errno));
}

} // namespace vesko

#include "restore/run_manifest.h"

#include "platform/error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace vesko {

namespace {

constexpr std::string_view kFirstLine = "vesko-backup run 1";

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

void ReadLine(RunManifest& manifest, std::string_view line)
{
    const std::size_t space = line.find(' ');
    const std::string_view key = line.substr(0, space);
    const std::vector<std::string_view> fields
        = Fields(space == line.npos ? std::string_view() : line.substr(space + 1));
    if (key == "file" && fields.size() == 3)
        manifest.files.push_back({ Unescaped(fields[2]),
            static_cast<std::uint64_t>(Number(fields[0])), Number(fields[1]) });
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
    for (const ManifestFile& file : manifest.files) {
        out += "file " + std::to_string(file.size) + '\t' + std::to_string(file.modified) + '\t';
        AppendEscaped(out, file.path);
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
    if (nextLine() != kFirstLine)
        throw Error("Not a manifest of this program's, or of a later version");
    RunManifest manifest;
    while (!rest.empty())
        ReadLine(manifest, nextLine());
    return manifest;
}

std::pair<std::string_view, std::string_view> SplitManifest(std::string_view text)
{
    const std::size_t files = text.starts_with("file ") ? 0 : text.find("\nfile ");
    if (files == text.npos)
        return { text, {} };
    const std::size_t cut = files == 0 ? 0 : files + 1;
    return { text.substr(0, cut), text.substr(cut) };
}

std::vector<ManifestFile> ParseManifestFiles(std::string_view lines)
{
    RunManifest manifest;
    while (!lines.empty()) {
        const std::size_t end = lines.find('\n');
        const std::string_view line = lines.substr(0, end);
        lines = end == lines.npos ? std::string_view() : lines.substr(end + 1);
        if (!line.starts_with("file "))
            throw Error("Damaged manifest: a line among the files begins \""
                + std::string(line.substr(0, line.find(' '))) + "\"");
        ReadLine(manifest, line);
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

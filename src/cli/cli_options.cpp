#include "cli/cli_options.h"

#include "care/care_settings.h"
#include "cli/name_pattern.h"
#include "platform/dates.h"
#include "platform/error.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>
#include <string>
#include <vector>

namespace vesko::cli {

namespace {

using Command = CliOptions::Command;

// Stores an option's value (a switch's is "") or a bare argument in the options; throws
// Error with the one-line reason when the command cannot take it.
using TakeValue = void (*)(CliOptions& options, const std::string& value);

struct OptionRule {
    const char* name; // without its "--"
    const char* valueName; // "" for a switch
    TakeValue take;
};

struct CommandRule {
    const char* word; // the first argument, which names the command
    Command command;
    std::vector<OptionRule> options; // besides --help and -h, which every command takes
    TakeValue takeArgument = nullptr; // bare arguments; null when the command takes none
    // history names a switch given a value ("--all=1") whole, as an unknown option.
    bool switchValueIsUnknown = false;
};

[[noreturn]] void Refuse(const std::string& reason)
{
    throw Error(reason);
}

void TakeSince(CliOptions& options, const std::string& value)
{
    if (value != "last" && !ParseDay(value, DayText::Exact))
        Refuse("--since wants a day as MM-DD-YYYY or 'last', not '" + value + "'");
    options.since = value;
}

void TakeExportName(CliOptions& options, const std::string& value)
{
    if (value.empty())
        Refuse("--name needs a value");
    // The pattern is checked now, so that a mistake is a usage error.
    std::string name, error;
    if (!ExpandNamePattern(value, TimePoint {}, name, error))
        Refuse(error);
    options.name = value;
}

// history shows one thing: a run, the files found, or the list.
void RefuseSecondChoice(const CliOptions& options)
{
    if (options.run || options.find || options.all)
        Refuse("history takes one of RUN, --find TEXT and --all");
}

void TakeFind(CliOptions& options, const std::string& value)
{
    RefuseSecondChoice(options);
    if (value.empty())
        Refuse("--find needs a text to look for");
    options.find = value;
}

void TakeRun(CliOptions& options, const std::string& value)
{
    RefuseSecondChoice(options);
    // Up to 18 digits, so that every number taken fits a run id.
    if (value.empty() || value.size() > 18 || value.find_first_not_of("0123456789") != value.npos
        || std::stoll(value) == 0)
        Refuse("not a run number '" + value + "' for history");
    options.run = std::stoll(value);
}

// A count of days or chains for the option named.
int Count(const char* option, const std::string& value)
{
    int count = 0;
    if (!ParseCareCount(value, count))
        Refuse(std::string("--") + option + " wants a whole number from 1 to 36500, not '" + value
            + "'");
    return count;
}

// check takes runs or --all, not both.
void TakeCheckRun(CliOptions& options, const std::string& value)
{
    if (options.all)
        Refuse("check takes RUN... or --all");
    if (value.empty() || value.size() > 18 || value.find_first_not_of("0123456789") != value.npos
        || std::stoll(value) == 0)
        Refuse("not a run number '" + value + "' for check");
    options.runs.push_back(std::stoll(value));
}

void TakeAsOf(CliOptions& options, const std::string& value)
{
    if (!ParseDay(value, DayText::Exact))
        Refuse("--as-of wants a day as MM-DD-YYYY, not '" + value + "'");
    options.asOf = value;
}

void TakeFolderValue(std::optional<std::string>& into, const char* option, const std::string& value)
{
    if (value.empty())
        Refuse(std::string(option) + " needs a value");
    into = value;
}

// The commands and what each reads. A new option is a row here and a member of CliOptions; a
// new command is an entry, a Command and its takers; both want their lines in UsageText.
const std::vector<CommandRule>& CommandRules()
{
    static const std::vector<CommandRule> rules = {
        { "export", Command::Export,
            { { "since", "day", TakeSince }, { "name", "name", TakeExportName },
                { "keep-temp", "", [](CliOptions& o, const std::string&) { o.keepTemp = true; } },
                { "full-every", "days",
                    [](CliOptions& o, const std::string& v) {
                        o.fullEvery = Count("full-every", v);
                    } },
                { "keep-chains", "n",
                    [](CliOptions& o, const std::string& v) {
                        o.keepChains = Count("keep-chains", v);
                    } },
                { "check-after", "",
                    [](CliOptions& o, const std::string&) { o.checkAfter = true; } } } },
        { "import", Command::Import,
            { { "name", "name", [](CliOptions& o, const std::string& v) { o.name = v; } },
                { "folder", "dir", [](CliOptions& o, const std::string& v) { o.folder = v; } },
                { "replace-newer", "",
                    [](CliOptions& o, const std::string&) { o.replaceNewer = true; } } } },
        { "history", Command::History,
            { { "find", "text", TakeFind },
                { "all", "",
                    [](CliOptions& o, const std::string&) {
                        RefuseSecondChoice(o);
                        o.all = true;
                    } } },
            TakeRun, true },
        { "check", Command::Check,
            { { "all", "",
                [](CliOptions& o, const std::string&) {
                    if (!o.runs.empty())
                        Refuse("check takes RUN... or --all");
                    o.all = true;
                } } },
            TakeCheckRun, true },
        { "restore", Command::Restore,
            { { "as-of", "day", TakeAsOf },
                { "to", "dir",
                    [](CliOptions& o, const std::string& v) { TakeFolderValue(o.to, "--to", v); } },
                { "from", "folder",
                    [](CliOptions& o, const std::string& v) {
                        TakeFolderValue(o.from, "--from", v);
                    } },
                { "replace-newer", "",
                    [](CliOptions& o, const std::string&) { o.replaceNewer = true; } } },
            [](CliOptions& o, const std::string& v) { o.paths.push_back(v); } },
        // These take nothing, though --help after them still asks for the usage.
        { "--help", Command::Help, {} },
        { "-h", Command::Help, {} },
        { "--version", Command::Version, {} },
    };
    return rules;
}

// QCommandLineParser reads QStrings, but a path on the command line is bytes and need not be
// UTF-8: QString::fromLocal8Bit turns such bytes into U+FFFD, and the path would name another
// file. Latin-1 gives each byte the character of the same number and takes it back, so every
// value comes back byte for byte; the options' names are ASCII, which reads the same either way.
QString FromBytes(const std::string& bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text)
{
    return text.toLatin1().toStdString();
}

// What the parser found wrong with the last argument it read.
enum class Mistake { UnknownOption, SwitchWithValue, MissingValue, StrayArgument };

Mistake MistakeOf(const QCommandLineParser& parser, const std::string& last)
{
    if (!parser.unknownOptionNames().isEmpty())
        return Mistake::UnknownOption;
    return last.find('=') != std::string::npos ? Mistake::SwitchWithValue : Mistake::MissingValue;
}

// The parser's own texts ("Unknown option 'x'.") name an option without its dashes and may be
// translated; the one-line reasons name the argument as it was typed.
std::string Reason(const CommandRule& rule, Mistake mistake, const std::string& argument)
{
    const std::string word = rule.word;
    if (rule.options.empty() && !rule.takeArgument)
        return "'" + word + "' takes no arguments";
    const std::string option = argument.substr(0, argument.find('='));
    if (mistake == Mistake::MissingValue)
        return option + " needs a value";
    if (mistake == Mistake::SwitchWithValue && !rule.switchValueIsUnknown)
        return option + " takes no value";
    if (mistake == Mistake::StrayArgument)
        return "unexpected argument '" + argument + "' for " + word;
    return "unknown option '" + argument + "' for " + word;
}

// Hands what the parser read to the takers: the options in the order given, then the bare
// arguments. Throws Error for the first one the command cannot take.
CliOptions Take(const CommandRule& rule, const QCommandLineParser& parser)
{
    CliOptions options;
    options.command = rule.command;
    std::map<const OptionRule*, qsizetype> taken; // values of each option taken so far
    for (const QString& name : parser.optionNames()) {
        const auto option = std::find_if(rule.options.begin(), rule.options.end(),
            [&](const OptionRule& o) { return name == QLatin1StringView(o.name); });
        if (option == rule.options.end())
            continue; // --help, which the caller looks at
        const bool hasValue = *option->valueName != '\0';
        const QString value = hasValue ? parser.values(name).at(taken[&*option]++) : QString();
        option->take(options, ToBytes(value));
    }
    for (const QString& argument : parser.positionalArguments()) {
        if (!rule.takeArgument)
            Refuse(Reason(rule, Mistake::StrayArgument, ToBytes(argument)));
        rule.takeArgument(options, ToBytes(argument));
    }
    return options;
}

// QCommandLineParser reads a whole line and reports one of its mistakes, while a person reads
// left to right: "export -h --bogus" asks for the usage, "export --bogus -h" is a mistake. So
// the line is read again one argument longer each time, until a reading is refused or asks for
// the usage; an option that ends a reading waits for its value in the next argument.
CliOptions ReadCommand(const CommandRule& rule, const std::vector<std::string>& args)
{
    QCommandLineParser parser;
    parser.addOption(
        QCommandLineOption(QStringList { QStringLiteral("h"), QStringLiteral("help") }));
    for (const OptionRule& option : rule.options)
        parser.addOption(QCommandLineOption(
            QString::fromLatin1(option.name), QString(), QString::fromLatin1(option.valueName)));

    // The command's word stands first, where the parser skips the program's name.
    QStringList line { FromBytes(args[0]) };
    CliOptions options;
    options.command = rule.command;
    for (std::size_t i = 1; i < args.size(); ++i) {
        line << FromBytes(args[i]);
        if (!parser.parse(line)) {
            const Mistake mistake = MistakeOf(parser, args[i]);
            if (mistake == Mistake::MissingValue && i + 1 < args.size())
                continue;
            Refuse(Reason(rule, mistake, args[i]));
        }
        options = Take(rule, parser);
        if (parser.isSet(QStringLiteral("help"))) {
            options.command = Command::Help;
            break;
        }
    }
    return options;
}

} // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CliOptions& options, std::string& error)
{
    options = CliOptions {};
    if (args.empty())
        return true;
    const std::vector<CommandRule>& rules = CommandRules();
    const auto rule = std::find_if(
        rules.begin(), rules.end(), [&](const CommandRule& r) { return args[0] == r.word; });
    if (rule == rules.end()) {
        error
            = (args[0].starts_with('-') ? "unknown option '" : "unknown command '") + args[0] + "'";
        return false;
    }
    try {
        options = ReadCommand(*rule, args);
        return true;
    } catch (const Error& e) {
        error = e.what();
        return false;
    }
}

std::string UsageText()
{
    return "Usage: vesko-backup                 open the window\n"
           "       vesko-backup export [--since MM-DD-YYYY | --since last] [--name NAME]\n"
           "                           [--keep-temp] [--full-every DAYS] [--keep-chains N]\n"
           "                           [--check-after]\n"
           "       vesko-backup import [--name NAME] [--folder DIR] [--replace-newer]\n"
           "       vesko-backup history [RUN | --find TEXT | --all]\n"
           "       vesko-backup check [RUN... | --all]\n"
           "       vesko-backup restore [--as-of MM-DD-YYYY] [--to DIR] [--from FOLDER]\n"
           "                            [--replace-newer] [PATH...]\n"
           "       vesko-backup --help | --version\n"
           "\n"
           "export  archives the files of the source list changed after the start of the\n"
           "        given day (default: today; 'last': the day the last successful export\n"
           "        began copying, everything when none is recorded) with the stored\n"
           "        settings, verifies the archive, then removes the temporary folder\n"
           "        unless --keep-temp is given. Every file left out (unreadable, 4 GiB\n"
           "        or larger, path too long) is a line on standard error. NAME replaces\n"
           "        the Export Name for this run;\n"
           "        %Y %m %d %H %M in it become the run's start (local time), %% a '%'.\n"
           "        A file counts as changed when its modification time or its status-\n"
           "        change time is after the cut-off: a file moved in, extracted or\n"
           "        copied with its times kept is new here and is archived.\n"
           "        --full-every: '--since last' backs up everything when the last full\n"
           "        export began DAYS or more ago. --keep-chains: after a success, the\n"
           "        archives of all but the newest N chains (a full export and the ones\n"
           "        after it) are removed, each named on standard error. Both replace the\n"
           "        stored FullEvery and KeepChains settings for this run.\n"
           "        An export that cannot fit in the temporary folder's drive is refused.\n"
           "        --check-after: once the export has ended, however, checks the oldest\n"
           "        archive not removed that was never checked, as check RUN does; exit\n"
           "        status 1 when it does not hold, else the export's own.\n"
           "import  restores the stored Import Name archive (or NAME) into the stored\n"
           "        Archive folder (or DIR), where it lies, all or nothing. Files there that\n"
           "        are newer than the archive's copies are kept, each named on standard\n"
           "        error, unless --replace-newer is given.\n"
           "history lists the last 20 recorded exports and imports (--all: every kept one),\n"
           "        newest first; RUN shows one of them whole, with the files it left out\n"
           "        and the files it archived; --find lists every archived file whose path\n"
           "        holds TEXT (case counts), newest first, with the archive that holds it.\n"
           "        Exit status 1 when nothing is found. Exports are marked full or\n"
           "        incremental, and removed when their archive was removed.\n"
           "check   tests the recorded archives of the given runs (default, --all: every\n"
           "        one not removed): every volume there with its size, the archiver's test,\n"
           "        the files against the record. Exit status 1 naming each archive that is\n"
           "        missing, changed or damaged.\n"
           "restore brings back each PATH (a file or folder as it was in the sources,\n"
           "        absolute or with ~; none: every source folder) from the newest copies,\n"
           "        or as it was at the end of the --as-of day (files deleted by then stay\n"
           "        away), to its original place or under its own last name in DIR, all or\n"
           "        nothing. --from reads the archives in FOLDER instead of the history's.\n"
           "        Newer files at the destination are kept, each named on standard\n"
           "        error, unless --replace-newer is given. Exit status 1 when nothing\n"
           "        was changed.\n"
           "\n"
           "Messages go to standard error, the archiver's output to standard output.\n"
           "Exit status: 0 success, 1 failure, 2 usage error, 3 incomplete (the archive\n"
           "was written and verified, but some files were left out of it).\n";
}

} // namespace vesko::cli

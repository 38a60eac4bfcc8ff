#include "cli/cli_options.h"

#include "cli/name_pattern.h"

#include <chrono>
#include <cstddef>

namespace vesko::cli {

namespace {

bool AllDigits(const std::string& text, std::size_t from, std::size_t count)
{
    for (std::size_t i = from; i < from + count; ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

// Splits "--option=value"; a bare "--option" leaves value empty and attached false.
void SplitOption(const std::string& arg, std::string& option, std::string& value, bool& attached)
{
    const auto eq = arg.find('=');
    attached = arg.rfind("--", 0) == 0 && eq != std::string::npos;
    option = attached ? arg.substr(0, eq) : arg;
    value = attached ? arg.substr(eq + 1) : std::string();
}

// history [RUN | --find TEXT | --all]: one of them at most.
bool ParseHistory(const std::vector<std::string>& args, CliOptions& options, std::string& error)
{
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string option, value;
        bool attached = false;
        SplitOption(args[i], option, value, attached);
        if (option == "--help" || option == "-h") {
            options.command = CliOptions::Command::Help;
            return true;
        }
        if (options.run || options.find || options.all) {
            error = "history takes one of RUN, --find TEXT and --all";
            return false;
        }
        if (option == "--find") {
            if (!attached) {
                if (i + 1 >= args.size()) {
                    error = "--find needs a value";
                    return false;
                }
                value = args[++i];
            }
            if (value.empty()) {
                error = "--find needs a text to look for";
                return false;
            }
            options.find = value;
        } else if (option == "--all" && !attached) {
            options.all = true;
        } else if (!args[i].empty() && args[i].size() <= 18 && AllDigits(args[i], 0, args[i].size())
            && std::stoll(args[i]) > 0) {
            options.run = std::stoll(args[i]);
        } else {
            error = (args[i].rfind('-', 0) == 0 ? "unknown option '" : "not a run number '")
                + args[i] + "' for history";
            return false;
        }
    }
    return true;
}

} // namespace

bool IsDateFieldDay(const std::string& text)
{
    if (text.size() != 10 || text[2] != '-' || text[5] != '-' || !AllDigits(text, 0, 2)
        || !AllDigits(text, 3, 2) || !AllDigits(text, 6, 4))
        return false;
    const std::chrono::year_month_day day { std::chrono::year(std::stoi(text.substr(6, 4))),
        std::chrono::month(std::stoul(text.substr(0, 2))),
        std::chrono::day(std::stoul(text.substr(3, 2))) };
    return day.ok();
}

bool ParseCommandLine(const std::vector<std::string>& args, CliOptions& options, std::string& error)
{
    options = CliOptions {};
    if (args.empty())
        return true;

    const std::string& command = args[0];
    if (command == "--help" || command == "-h") {
        options.command = CliOptions::Command::Help;
    } else if (command == "--version") {
        options.command = CliOptions::Command::Version;
    } else if (command == "export") {
        options.command = CliOptions::Command::Export;
    } else if (command == "import") {
        options.command = CliOptions::Command::Import;
    } else if (command == "history") {
        options.command = CliOptions::Command::History;
        return ParseHistory(args, options, error);
    } else {
        error = (command.rfind('-', 0) == 0 ? "unknown option '" : "unknown command '") + command
            + "'";
        return false;
    }

    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string option, value;
        bool attached = false;
        SplitOption(args[i], option, value, attached);

        // --help anywhere asks for the usage.
        if (option == "--help" || option == "-h") {
            options.command = CliOptions::Command::Help;
            return true;
        }
        if (options.command == CliOptions::Command::Help
            || options.command == CliOptions::Command::Version) {
            error = "'" + command + "' takes no arguments";
            return false;
        }

        const bool isExport = options.command == CliOptions::Command::Export;
        const bool takesValue = option == "--name" || option == (isExport ? "--since" : "--folder");
        const bool isFlag = isExport ? option == "--keep-temp" : option == "--replace-newer";
        if (!takesValue && !isFlag) {
            error = (args[i].rfind('-', 0) == 0 ? "unknown option '" : "unexpected argument '")
                + args[i] + "' for " + command;
            return false;
        }
        if (isFlag) {
            if (attached) {
                error = option + " takes no value";
                return false;
            }
            (isExport ? options.keepTemp : options.replaceNewer) = true;
            continue;
        }
        if (!attached) {
            if (i + 1 >= args.size()) {
                error = option + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (option == "--since") {
            if (value != "last" && !IsDateFieldDay(value)) {
                error = "--since wants a day as MM-DD-YYYY or 'last', not '" + value + "'";
                return false;
            }
            options.since = value;
        } else if (option == "--name") {
            if (isExport && value.empty()) {
                error = "--name needs a value";
                return false;
            }
            // The pattern is checked now, so that a mistake is a usage error.
            std::string checked;
            if (isExport && !ExpandNamePattern(value, TimePoint {}, checked, error))
                return false;
            options.name = value;
        } else {
            options.folder = value;
        }
    }
    return true;
}

std::string UsageText()
{
    return "Usage: vesko-backup                 open the window\n"
           "       vesko-backup export [--since MM-DD-YYYY | --since last] [--name NAME]\n"
           "                           [--keep-temp]\n"
           "       vesko-backup import [--name NAME] [--folder DIR] [--replace-newer]\n"
           "       vesko-backup history [RUN | --find TEXT | --all]\n"
           "       vesko-backup --help | --version\n"
           "\n"
           "export  archives the files of the source list modified after the start of the\n"
           "        given day (default: today; 'last': the day the last successful export\n"
           "        began copying) with the stored settings, verifies the archive, then\n"
           "        removes the temporary folder unless --keep-temp is given. Every file\n"
           "        left out (unreadable, 4 GiB or larger, path too long) is a line on\n"
           "        standard error. NAME replaces the Export Name for this run;\n"
           "        %Y %m %d %H %M in it become the run's start (local time), %% a '%'.\n"
           "import  restores the stored Import Name archive (or NAME) into the stored\n"
           "        Archive folder (or DIR), where it lies, all or nothing. Files there that\n"
           "        are newer than the archive's copies are kept, each named on standard\n"
           "        error, unless --replace-newer is given.\n"
           "history lists the last 20 recorded exports and imports (--all: every kept one),\n"
           "        newest first; RUN shows one of them whole, with the files it left out\n"
           "        and the files it archived; --find lists every archived file whose path\n"
           "        holds TEXT (case counts), newest first, with the archive that holds it.\n"
           "        Exit status 1 when nothing is found.\n"
           "\n"
           "Messages go to standard error, the archiver's output to standard output.\n"
           "Exit status: 0 success, 1 failure, 2 usage error, 3 incomplete (the archive\n"
           "was written and verified, but some files were left out of it).\n";
}

} // namespace vesko::cli

#include "cli/RunCli.h"

#include <QDate>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <variant>

#include "Version.h"
#include "cli/CliArguments.h"
#include "cli/ConsoleText.h"
#include "cli/ConsoleUi.h"
#include "cli/Upload.h"
#include "cli/Usage.h"
#include "diary/Commands.h"
#include "platform/Errors.h"
#include "platform/FileIO.h"
#include "settings/LoadSettings.h"

namespace SumirelCli {

namespace {

constexpr char kProgram[] = "sumirel-cli: ";

int UsageFailure(std::ostream& err, const std::string& message) {
    err << kProgram << message << '\n' << kUsage << "Run 'sumirel-cli --help' for more.\n";
    return kNotDone;
}

int InputFailure(std::ostream& err, const std::string& message) {
    err << kProgram << message << "; nothing was written\n";
    return kNotDone;
}

// The entry's field from its option: the default when the option is absent.
bool ConvertField(const std::optional<std::string>& given, std::string& field) {
    if (!given.has_value()) {
        return true;
    }
    std::optional<std::string> converted = ShiftJisFromConsole(*given);
    if (!converted.has_value()) {
        return false;
    }
    field = std::move(*converted);
    return true;
}

std::string TodayAsDate(const Sumirel::DateSeparator& separators) {
    const QDate today = QDate::currentDate();
    return Sumirel::FormatDate(today.year(), today.month(), today.day(), separators);
}

int Write(const CliArguments& arguments, const std::string& iniFileName, std::istream& in,
          std::ostream& out, std::ostream& err) {
    Sumirel::SDiary entry;
    struct {
        const char* option;
        const std::optional<std::string>& given;
        std::string& field;
    } const fields[] = {
        {"--date", arguments.date, entry.Date},
        {"--weather", arguments.weather, entry.Wheather},
        {"--title", arguments.title, entry.Title},
    };
    for (const auto& f : fields) {
        if (!ConvertField(f.given, f.field)) {
            return InputFailure(err,
                                std::string("the value of ") + f.option + " is not valid UTF-8");
        }
    }

    const std::string input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        return InputFailure(err, "standard input could not be read");
    }
    std::optional<std::string> contents = ShiftJisFromConsole(ContentsFromInput(input));
    if (!contents.has_value()) {
        return InputFailure(err, "standard input is not valid UTF-8");
    }
    entry.Contents = std::move(*contents);

    const Sumirel::Settings settings = Sumirel::LoadSettings(iniFileName);
    // The command itself would end silently here; a script needs to hear why.
    for (const auto& [key, value] : {std::pair{"DiaryFileName", &settings.DiaryFileName},
                                     std::pair{"HtmlFileName", &settings.HtmlFileName}}) {
        if (value->empty()) {
            return InputFailure(err, std::string("[Files] ") + key +
                                         " is empty in the settings file \"" +
                                         ConsoleFromShiftJis(iniFileName) + "\"");
        }
    }
    if (!arguments.date.has_value()) {
        entry.Date = TodayAsDate(settings.Separators);
    }

    ConsoleUi ui(out, err, arguments.force);
    switch (Sumirel::WriteCommand(settings, entry, ui)) {
        case Sumirel::CommandResult::Succeeded:
            return kSucceeded;
        case Sumirel::CommandResult::Failed:
            err << kProgram
                << "the entry is stored in the diary file, but the page or a target file was "
                   "not completed; fix the cause and run 'sumirel-cli rebuild' to finish (do "
                   "not write the entry again)\n";
            return kFormatError;
        case Sumirel::CommandResult::NotRun:
            break;
    }
    if (ui.RefusedDuplicate()) {
        return InputFailure(err,
                            "the entry equals the newest entry of the diary file (--force "
                            "writes it again)");
    }
    return InputFailure(err, "the write command did not run");
}

int Rebuild(const std::string& iniFileName, std::ostream& out, std::ostream& err) {
    const Sumirel::Settings settings = Sumirel::LoadSettings(iniFileName);
    ConsoleUi ui(out, err);
    return Sumirel::RebuildCommand(settings, ui) == Sumirel::CommandResult::Succeeded
               ? kSucceeded
               : kFormatError;
}

}  // namespace

int RunCli(int argc, const char* const* argv, std::istream& in, std::ostream& out,
           std::ostream& err) {
    const auto parsed = ParseArguments(argc, argv);
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        return UsageFailure(err, error->message);
    }
    const CliArguments& arguments = std::get<CliArguments>(parsed);
    if (arguments.command == Command::Help) {
        out << kHelp;
        out.flush();
        return kSucceeded;
    }
    if (arguments.command == Command::Version) {
        out << "sumirel-cli " << Sumirel::kVersion << '\n';
        out.flush();
        return kSucceeded;
    }

    try {
        std::string iniFileName;
        if (arguments.iniFile.has_value()) {
            iniFileName = FileNameFromConsole(*arguments.iniFile);
            // A mistyped name must not quietly fall back on the default files of the current
            // folder, which the command would then overwrite.
            std::error_code ec;
            if (!std::filesystem::exists(Sumirel::NativePath(iniFileName), ec)) {
                return InputFailure(
                    err, "the settings file \"" + *arguments.iniFile + "\" does not exist");
            }
        } else {
            iniFileName = Sumirel::SettingsFileName();
        }
        if (arguments.command == Command::Write) {
            return Write(arguments, iniFileName, in, out, err);
        }
        if (arguments.command == Command::Upload) {
            return Upload(iniFileName, arguments.dryRun, out, err);
        }
        if (arguments.command == Command::Trust) {
            return Trust(iniFileName, arguments.fingerprint, in, out, err);
        }
        return Rebuild(iniFileName, out, err);
    } catch (const Sumirel::PlatformError& error) {
        WriteLines(err, error.what());
    } catch (const std::exception& error) {
        err << kProgram;
        WriteLines(err, error.what());
    }
    return kNotDone;
}

}  // namespace SumirelCli

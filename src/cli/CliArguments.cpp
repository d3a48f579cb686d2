#include "cli/CliArguments.h"

#include <string_view>
#include <utility>
#include <vector>

namespace SumirelCli {

namespace {

struct ValueOption {
    std::string_view name;
    std::optional<std::string> CliArguments::*field;
    // The one command the option belongs to; Help for every command.
    Command onlyFor;
};

constexpr ValueOption kValueOptions[] = {
    {"--ini", &CliArguments::iniFile, Command::Help},
    {"--date", &CliArguments::date, Command::Write},
    {"--weather", &CliArguments::weather, Command::Write},
    {"--title", &CliArguments::title, Command::Write},
    {"--fingerprint", &CliArguments::fingerprint, Command::Trust},
};

const char* CommandName(Command command) {
    switch (command) {
        case Command::Write:
            return "write";
        case Command::Upload:
            return "upload";
        case Command::Trust:
            return "trust";
        default:
            return "";
    }
}

const ValueOption* FindValueOption(std::string_view name) {
    for (const ValueOption& option : kValueOptions) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

}  // namespace

std::variant<CliArguments, UsageError> ParseArguments(int argc, const char* const* argv) {
    CliArguments result;
    std::optional<Command> command;
    // Options given that belong to one command only, with that command.
    std::vector<std::pair<std::string_view, Command>> boundOptionsGiven;

    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            return CliArguments{};
        }
        if (argument == "--version") {
            CliArguments version;
            version.command = Command::Version;
            return version;
        }
        if (argument == "--force") {
            result.force = true;
            boundOptionsGiven.emplace_back("--force", Command::Write);
            continue;
        }
        if (argument == "--dry-run") {
            result.dryRun = true;
            boundOptionsGiven.emplace_back("--dry-run", Command::Upload);
            continue;
        }
        if (argument.size() > 1 && argument.front() == '-') {
            const std::size_t equals = argument.find('=');
            const std::string_view name = argument.substr(0, equals);
            const ValueOption* option = FindValueOption(name);
            if (option == nullptr) {
                return UsageError{"unknown option " + std::string(name)};
            }
            std::string value;
            if (equals != std::string_view::npos) {
                value = argument.substr(equals + 1);
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                return UsageError{std::string(name) + " needs a value"};
            }
            std::optional<std::string>& field = result.*(option->field);
            if (field.has_value()) {
                return UsageError{std::string(name) + " is given twice"};
            }
            field = std::move(value);
            if (option->onlyFor != Command::Help) {
                boundOptionsGiven.emplace_back(option->name, option->onlyFor);
            }
            continue;
        }
        if (command.has_value()) {
            return UsageError{"unexpected argument \"" + std::string(argument) + "\""};
        }
        if (argument == "write") {
            command = Command::Write;
        } else if (argument == "rebuild") {
            command = Command::Rebuild;
        } else if (argument == "upload") {
            command = Command::Upload;
        } else if (argument == "trust") {
            command = Command::Trust;
        } else {
            return UsageError{"unknown command \"" + std::string(argument) + "\""};
        }
    }

    if (!command.has_value()) {
        return UsageError{"no command given"};
    }
    for (const auto& [name, owner] : boundOptionsGiven) {
        if (owner != *command) {
            return UsageError{std::string(name) + " belongs to the " + CommandName(owner) +
                              " command"};
        }
    }
    result.command = *command;
    return result;
}

}  // namespace SumirelCli

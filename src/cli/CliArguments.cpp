#include "cli/CliArguments.h"

#include <string_view>
#include <vector>

namespace SumirelCli {

namespace {

struct ValueOption {
    std::string_view name;
    std::optional<std::string> CliArguments::*field;
    bool writeOnly;
};

constexpr ValueOption kValueOptions[] = {
    {"--ini", &CliArguments::iniFile, false},
    {"--date", &CliArguments::date, true},
    {"--weather", &CliArguments::weather, true},
    {"--title", &CliArguments::title, true},
};

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
    std::vector<std::string_view> writeOptionsGiven;

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
            writeOptionsGiven.push_back("--force");
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
            if (option->writeOnly) {
                writeOptionsGiven.push_back(option->name);
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
        } else {
            return UsageError{"unknown command \"" + std::string(argument) + "\""};
        }
    }

    if (!command.has_value()) {
        return UsageError{"no command given"};
    }
    if (*command != Command::Write && !writeOptionsGiven.empty()) {
        return UsageError{std::string(writeOptionsGiven.front()) + " belongs to the write command"};
    }
    result.command = *command;
    return result;
}

}  // namespace SumirelCli

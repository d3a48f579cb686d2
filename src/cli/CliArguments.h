#pragma once
// The command line of sumirel-cli, taken apart. Values stay the bytes they were given (the
// locale's encoding); converting them is the caller's business.

#include <optional>
#include <string>
#include <variant>

namespace SumirelCli {

enum class Command { Help, Version, Write, Rebuild, Upload, Trust };

struct CliArguments {
    Command command = Command::Help;
    std::optional<std::string> iniFile;
    // Write only: the entry fields that are not read from standard input.
    std::optional<std::string> date;
    std::optional<std::string> weather;
    std::optional<std::string> title;
    // Write only: store the entry even when it equals the diary's newest one.
    bool force = false;
    // Upload only: show what would be sent, connect to nothing.
    bool dryRun = false;
    // Trust only: store the server's identity when its fingerprint is this one (for scripts
    // and other places without a terminal to answer on).
    std::optional<std::string> fingerprint;
};

// What is wrong with a command line, in one sentence for the usage message.
struct UsageError {
    std::string message;
};

// Options may stand before or after the command, as "--name value" or "--name=value"; the
// argument after an option that takes a value is its value even when it begins with "-", so
// that a title such as "-5 degrees" can be given. "-h" or "--help" anywhere asks for help,
// "--version" for the version.
std::variant<CliArguments, UsageError> ParseArguments(int argc, const char* const* argv);

}  // namespace SumirelCli

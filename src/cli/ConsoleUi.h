#pragma once
// The engine's user interface on a console: errors and the regex engine's messages on one
// stream (standard error), the closing message on another (standard output), each line of
// a text on its own console line. Questions are not asked: running unattended, the command
// goes on as a user answering "Yes" would, except for writing an entry equal to the diary's
// newest one, which a script asks for with --force (a rerun after a failure would otherwise
// store the entry twice).

#include <ostream>
#include <string_view>

#include "diary/Commands.h"

namespace SumirelCli {

// Writes a Shift-JIS text as UTF-8, every line (split at CR LF, a lone CR or a lone LF)
// ended by "\n".
void WriteLines(std::ostream& stream, std::string_view shiftJis);

class ConsoleUi : public Sumirel::CommandUi {
public:
    ConsoleUi(std::ostream& out, std::ostream& err, bool force = false)
        : out_(out), err_(err), force_(force) {}

    bool AskYesNo(const std::string& question) override;
    void ShowClosingMessage(const std::string& message) override;
    void ShowError(const std::string& message) override;
    void ShowEngineMessage(const std::string& message) override;

    // True once the duplicate question was answered "No" for want of --force.
    bool RefusedDuplicate() const { return refusedDuplicate_; }

private:
    std::ostream& out_;
    std::ostream& err_;
    bool force_;
    bool refusedDuplicate_ = false;
};

}  // namespace SumirelCli

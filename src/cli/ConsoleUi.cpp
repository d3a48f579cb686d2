#include "cli/ConsoleUi.h"

#include <string>

#include "cli/ConsoleText.h"
#include "diary/Messages.h"

namespace SumirelCli {

void WriteLines(std::ostream& stream, std::string_view shiftJis) {
    const std::string text = ConsoleFromShiftJis(shiftJis);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            stream << std::string_view(text).substr(start) << '\n';
            break;
        }
        stream << std::string_view(text).substr(start, end - start) << '\n';
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    if (text.empty()) {
        stream << '\n';
    }
    stream.flush();
}

bool ConsoleUi::AskYesNo(const std::string& question) {
    if (question == Sumirel::Messages::kAskDuplicate && !force_) {
        refusedDuplicate_ = true;
        return false;
    }
    return true;
}

void ConsoleUi::ShowClosingMessage(const std::string& message) {
    WriteLines(out_, message);
}

void ConsoleUi::ShowError(const std::string& message) {
    WriteLines(err_, message);
}

void ConsoleUi::ShowEngineMessage(const std::string& message) {
    WriteLines(err_, message);
}

}  // namespace SumirelCli

#pragma once
// Checks a list of message texts: each one's Shift-JIS bytes must read back, through code
// page 932, as exactly the UTF-8 text it was written as.

#include <iconv.h>

#include <span>
#include <string>
#include <vector>

#include "platform/MessageText.h"

namespace SumirelTest {

// The names of the messages that do not convert back, empty when all do.
inline std::vector<std::string> MessagesNotConverted(
    std::span<const Sumirel::MessageText* const> messages) {
    std::vector<std::string> failed;
    for (const Sumirel::MessageText* message : messages) {
        const std::string sjis = message->shiftJis;
        const std::string utf8(reinterpret_cast<const char*>(message->utf8));
        iconv_t cd = ::iconv_open("UTF-8", "CP932");
        std::string out(sjis.size() * 4 + 4, '\0');
        char* in = const_cast<char*>(sjis.data());
        std::size_t inLeft = sjis.size();
        char* to = out.data();
        std::size_t outLeft = out.size();
        const bool converted = cd != reinterpret_cast<iconv_t>(-1) &&
                               ::iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<size_t>(-1);
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            ::iconv_close(cd);
        }
        out.resize(out.size() - outLeft);
        // A message left in UTF-8 would read back as other characters, or not at all.
        if (!converted || inLeft != 0 || out != utf8) {
            failed.push_back(message->name);
        }
    }
    return failed;
}

}  // namespace SumirelTest

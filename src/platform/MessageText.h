#pragma once
// A message text as the program uses it (Shift-JIS bytes) beside the UTF-8 text it was written
// as, so that a test can check that every message was converted whole.
//
// A file of messages defines each one with SUMIREL_MESSAGE(name, "text"): the file is compiled
// with Shift-JIS as its narrow execution character set (sumirel_shift_jis_messages in CMake),
// while the u8 copy stays UTF-8.

#include <span>

namespace Sumirel {

struct MessageText {
    const char* name;
    const char* shiftJis;
    const char8_t* utf8;
};

}  // namespace Sumirel

#define SUMIREL_MESSAGE(name, text)                  \
    const char name[] = text;                        \
    static const ::Sumirel::MessageText name##Text { \
#name, name, u8##text                        \
    }

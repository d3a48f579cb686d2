#pragma once
// Text between the console (the locale's encoding, UTF-8) and the engine (Shift-JIS bytes).

#include <optional>
#include <string>
#include <string_view>

namespace SumirelCli {

// The Shift-JIS bytes of a locale text; nothing when the bytes are not valid UTF-8, so that
// a stray byte is refused instead of being stored as a replacement character. A character
// that Shift-JIS lacks becomes an HTML numeric character reference, as in the window.
std::optional<std::string> ShiftJisFromConsole(std::string_view localeText);

// A Shift-JIS text of the engine as the console's UTF-8.
std::string ConsoleFromShiftJis(std::string_view shiftJis);

// Standard input as the contents edit of the window would hold it: every line break (CR LF,
// a lone CR, a lone LF) becomes CR LF, and one line break at the very end is dropped, so
// that `echo text` gives the one line "text". Works on the UTF-8 bytes, where CR and LF
// never occur inside a character.
std::string ContentsFromInput(std::string_view input);

// A file name given on the command line as the settings hold file names: the file system's
// bytes converted to Shift-JIS, passed through unchanged where they do not convert, so that
// the engine opens the very file that was named.
std::string FileNameFromConsole(std::string_view localeName);

}  // namespace SumirelCli

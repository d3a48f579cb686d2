#pragma once
// The settings file format: Windows profile-file semantics on Shift-JIS bytes.
//
// "[Section]" headers and "Key=Value" lines. Section and key names compare without regard to
// ASCII letter case; the first matching section and, inside it, the first matching key win;
// blanks (space, tab) around names and values are trimmed and one pair of enclosing double
// quotes is removed from a value on reading. Lines may end with CR LF, CR or LF. A header is
// a line whose first non-blank byte is "[" and that holds a "]"; its name lies between them.
// A key line is any other line with an "=" that does not begin with ";" (a comment); its name
// lies before the first "=". Only the first section of a name counts: keys in a later section
// of the same name are neither read nor written. Lines before the first header belong to no
// section. A lead byte of a double-byte character and its trail byte compare exactly.
//
// Every call opens the file, does its work and closes it again: nothing is cached, so a
// change made by another program is seen at the next call. A missing or unreadable file
// reads as empty. Writing one key reads the file, changes that key's line (or adds the key,
// and the section when it is missing) and replaces the file atomically; a value that begins
// or ends with a blank or a double quote is written enclosed in double quotes, so that it
// reads back exactly. A changed key keeps its line up to and including the "="; a new key
// goes right after the last key line of its section (or after the header when there is
// none), a new section at the end of the file. Every other line is kept byte for byte, but
// all lines end with CR LF after a write. Values are read back whole, however long. A new
// file is created readable and writable by its owner only, since it holds credentials.

#include <cstdint>
#include <string>

#include "platform/Errors.h"

namespace Sumirel {

// A key that cannot be written. Its message is "<path> に書き込めません".
class IniWriteError : public PlatformError {
public:
    explicit IniWriteError(const std::string& fileName);
};

class IniFile {
public:
    explicit IniFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // Decimal, or hexadecimal after "0x" or "$"; blanks before it and a sign allowed. Any
    // other text, or a number outside the 32-bit range, gives the default. A hexadecimal
    // number is a magnitude like a decimal one: "0xFFFFFFFF" is out of range, not -1.
    std::int32_t ReadInteger(const std::string& section, const std::string& key,
                             std::int32_t defaultValue) const;
    // A whole number other than 0 is true, 0 is false, anything else gives the default.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Throw IniWriteError when the file cannot be read back or written (read-only file or
    // folder, missing folder) and, writing nothing, for a value, key or section holding CR or
    // LF, a key holding "=" or a section holding "]", which no line can hold.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

private:
    std::string fileName_;
};

// The integer rule of ReadInteger applied to a text; false when the text is no whole number.
bool ParseIniInteger(const std::string& text, std::int32_t& value);

}  // namespace Sumirel

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
// change made by another program is seen at the next call. A missing file reads as empty; a
// name that exists but is no readable ordinary file throws FileError on reading (it is never
// taken for an empty file). Writing one key reads the file, changes that key's line (or adds
// the key, and the section when it is missing) and replaces the file atomically; an IniEdit
// does the same for many keys with one read and one replacement. A value that begins
// or ends with a blank or a double quote is written enclosed in double quotes, so that it
// reads back exactly. A changed key keeps its line up to and including the "="; a new key
// goes right after the last key line of its section (or after the header when there is
// none), a new section at the end of the file. Every other line is kept byte for byte, but
// all lines end with CR LF after a write. Values are read back whole, however long. A new
// file is created readable and writable by its owner only, since it holds credentials.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Errors.h"
#include "platform/LineList.h"

namespace Sumirel {

// A key that cannot be written. Its message is "<path> に書き込めません".
class IniWriteError : public PlatformError {
public:
    explicit IniWriteError(const std::string& fileName);
};

// The text of a settings file held in memory, read and changed by the rules above.
class IniText {
public:
    IniText() = default;
    explicit IniText(std::string_view text);

    // The decoded value of the key; nothing when the section or the key is missing.
    std::optional<std::string> Find(const std::string& section, const std::string& key) const;
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    std::int32_t ReadInteger(const std::string& section, const std::string& key,
                             std::int32_t defaultValue) const;
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;
    // Stores the value as the file would hold it; the caller has refused what no line can hold.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);

    std::string Text() const;

private:
    LineList lines_;
};

class IniFile {
public:
    explicit IniFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    // The whole file, read once; empty when it is missing. Throws FileError when it exists but
    // cannot be read.
    IniText Load() const;

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

// Many writes to one settings file, gathered in memory and stored by Commit with one read and
// one atomic replacement: either every key is written or, after a failure, the file is
// exactly as it was. The write calls refuse what no line can hold (IniWriteError, as
// IniFile's), before anything is stored.
class IniEdit {
public:
    explicit IniEdit(std::string fileName);

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // The replaced file is readable and writable by its owner only, also when it was wider:
    // for an edit that stores credentials.
    void MakeOwnerOnly() { ownerOnly_ = true; }

    // Stores the gathered writes in their order; nothing when there are none. Throws
    // IniWriteError when the file cannot be read back or replaced.
    void Commit();

private:
    struct Write {
        std::string section;
        std::string key;
        std::string value;
    };
    std::string fileName_;
    std::vector<Write> writes_;
    bool ownerOnly_ = false;
};

// The integer rule of ReadInteger applied to a text; false when the text is no whole number.
bool ParseIniInteger(const std::string& text, std::int32_t& value);

}  // namespace Sumirel

#pragma once
// Reading and writing the settings file key by key through the settings table: credentials
// are unscrambled on reading and scrambled on writing, a missing key gives the table's
// default. The two dialogs work on the file through these; LoadSettings fills the whole record.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/IniFile.h"
#include "settings/SettingsTable.h"

namespace Sumirel {

// The settings file as read once.
class SettingsReader {
public:
    // Throws FileError when the file exists but cannot be read: that is never "all defaults".
    // `currentPort` is the port the caller's client holds (the default of Port), if any.
    explicit SettingsReader(const std::string& iniFileName,
                            std::optional<std::int32_t> currentPort = std::nullopt);

    // A text, credential (plain) or target list (in its stored form, "<" between lines).
    std::string Text(std::string_view section, std::string_view key) const;
    std::int32_t Integer(std::string_view section, std::string_view key) const;
    bool Bool(std::string_view section, std::string_view key) const;
    // Whether the file holds the key at all, whatever its value.
    bool Holds(std::string_view section, std::string_view key) const;

    std::string Text(const SettingRow& row) const;
    std::int32_t Integer(const SettingRow& row) const;
    bool Bool(const SettingRow& row) const;

private:
    IniText text_;
    std::optional<std::int32_t> currentPort_;
};

// Keys to store, gathered and written by Commit in one atomic replacement of the file. When a
// credential is among them the file ends readable and writable by its owner only.
class SettingsWriter {
public:
    explicit SettingsWriter(std::string iniFileName);

    // A text, a credential in plain form or a target list in its stored form. Throws
    // IniWriteError, storing nothing, for a value no line can hold.
    void Text(std::string_view section, std::string_view key, const std::string& value);
    void Integer(std::string_view section, std::string_view key, std::int32_t value);
    void Bool(std::string_view section, std::string_view key, bool value);

    // Throws IniWriteError, the file left as it was, when it cannot be read back or replaced.
    void Commit();

private:
    IniEdit edit_;
};

}  // namespace Sumirel

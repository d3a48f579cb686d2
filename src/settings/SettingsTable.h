#pragma once
// Every key of the settings file in one table: its section, name, kind and default, and the
// field of the settings record it fills. LoadSettings, the two settings dialogs and
// sumirel-cli read and write the file through it, so a new key is one row in
// SettingsTable.cpp and its field in Settings.h.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "settings/Settings.h"

namespace Sumirel {

enum class SettingKind {
    Text,       // stored as it is
    Scrambled,  // a credential: ScrambleText on writing, UnscrambleText on reading
    Integer,    // written in decimal; a text that is no whole number gives the default
    Bool,       // written "1" or "0"; a text that is no whole number gives the default
    PathList,   // the target files: the lines of the settings dialog's box, joined by "<"
};

// Where a missing key's value comes from.
enum class DefaultRule {
    AsWritten,        // the row's default
    InCurrentFolder,  // the current folder (asked afresh at every read), "/", the row's default
    CurrentPort,      // the port the caller's client holds; the row's default when it has none
};

using TextField = std::string& (*)(Settings&);
using IntegerField = std::int32_t& (*)(Settings&);
using BoolField = bool& (*)(Settings&);
using ListField = std::vector<std::string>& (*)(Settings&);
using SettingField = std::variant<TextField, IntegerField, BoolField, ListField>;

struct SettingRow {
    const char* Section;
    const char* Key;
    SettingKind Kind;
    const char* DefaultText;     // Text, Scrambled (plain) and PathList (stored form)
    std::int32_t DefaultNumber;  // Integer, and Bool as 1 or 0
    DefaultRule Rule;
    SettingField Field;
};

// The field a row fills, reached through the record's members: FieldOf<&Settings::Ftp,
// &FTPSetting::Port> is settings.Ftp.Port.
template <auto... Members>
auto& FieldOf(Settings& settings) {
    return (settings.*....*Members);
}

// Rows of each kind, as the table writes them.
template <auto... Members>
constexpr SettingRow TextRow(const char* section, const char* key, const char* defaultText = "",
                             DefaultRule rule = DefaultRule::AsWritten) {
    return {section, key, SettingKind::Text, defaultText, 0, rule, &FieldOf<Members...>};
}
template <auto... Members>
constexpr SettingRow ScrambledRow(const char* section, const char* key) {
    return {
        section, key, SettingKind::Scrambled, "", 0, DefaultRule::AsWritten, &FieldOf<Members...>};
}
template <auto... Members>
constexpr SettingRow IntegerRow(const char* section, const char* key, std::int32_t defaultNumber,
                                DefaultRule rule = DefaultRule::AsWritten) {
    return {section, key, SettingKind::Integer, "", defaultNumber, rule, &FieldOf<Members...>};
}
template <auto... Members>
constexpr SettingRow BoolRow(const char* section, const char* key, bool defaultValue) {
    return {section,
            key,
            SettingKind::Bool,
            "",
            defaultValue ? 1 : 0,
            DefaultRule::AsWritten,
            &FieldOf<Members...>};
}
template <auto... Members>
constexpr SettingRow PathListRow(const char* section, const char* key) {
    return {
        section, key, SettingKind::PathList, "", 0, DefaultRule::AsWritten, &FieldOf<Members...>};
}

// Every row, in the order the dialogs write their keys.
std::span<const SettingRow> SettingsTable();

// The row of a key; throws std::logic_error for a key the table lacks (a program error).
const SettingRow& FindSettingRow(std::string_view section, std::string_view key);

// A row's default. `currentPort` is the port the caller's client holds, if it has one.
std::string DefaultText(const SettingRow& row);
std::int32_t DefaultNumber(const SettingRow& row, std::optional<std::int32_t> currentPort);

}  // namespace Sumirel

#include "settings/SettingsFile.h"

#include <stdexcept>

#include "settings/Scramble.h"

namespace Sumirel {

namespace {

const SettingRow& Checked(const SettingRow& row, std::initializer_list<SettingKind> kinds) {
    for (SettingKind kind : kinds) {
        if (row.Kind == kind) {
            return row;
        }
    }
    throw std::logic_error(std::string("settings key of another kind: ") + row.Key);
}

const SettingRow& TextRowOf(std::string_view section, std::string_view key) {
    return Checked(FindSettingRow(section, key),
                   {SettingKind::Text, SettingKind::Scrambled, SettingKind::PathList});
}

}  // namespace

SettingsReader::SettingsReader(const std::string& iniFileName,
                               std::optional<std::int32_t> currentPort)
    : text_(IniFile(iniFileName).Load()), currentPort_(currentPort) {}

std::string SettingsReader::Text(const SettingRow& row) const {
    const std::optional<std::string> stored = text_.Find(row.Section, row.Key);
    if (!stored.has_value()) {
        return DefaultText(row);
    }
    return row.Kind == SettingKind::Scrambled ? UnscrambleText(*stored) : *stored;
}

std::int32_t SettingsReader::Integer(const SettingRow& row) const {
    return text_.ReadInteger(row.Section, row.Key, DefaultNumber(row, currentPort_));
}

bool SettingsReader::Bool(const SettingRow& row) const {
    return text_.ReadBool(row.Section, row.Key, DefaultNumber(row, currentPort_) != 0);
}

std::string SettingsReader::Text(std::string_view section, std::string_view key) const {
    return Text(TextRowOf(section, key));
}

std::int32_t SettingsReader::Integer(std::string_view section, std::string_view key) const {
    return Integer(Checked(FindSettingRow(section, key), {SettingKind::Integer}));
}

bool SettingsReader::Bool(std::string_view section, std::string_view key) const {
    return Bool(Checked(FindSettingRow(section, key), {SettingKind::Bool}));
}

bool SettingsReader::Holds(std::string_view section, std::string_view key) const {
    return text_.Find(std::string(section), std::string(key)).has_value();
}

SettingsWriter::SettingsWriter(std::string iniFileName) : edit_(std::move(iniFileName)) {}

void SettingsWriter::Text(std::string_view section, std::string_view key,
                          const std::string& value) {
    const SettingRow& row = TextRowOf(section, key);
    if (row.Kind == SettingKind::Scrambled) {
        edit_.MakeOwnerOnly();
        edit_.WriteString(row.Section, row.Key, ScrambleText(value));
    } else {
        edit_.WriteString(row.Section, row.Key, value);
    }
}

void SettingsWriter::Integer(std::string_view section, std::string_view key, std::int32_t value) {
    const SettingRow& row = Checked(FindSettingRow(section, key), {SettingKind::Integer});
    edit_.WriteInteger(row.Section, row.Key, value);
}

void SettingsWriter::Bool(std::string_view section, std::string_view key, bool value) {
    const SettingRow& row = Checked(FindSettingRow(section, key), {SettingKind::Bool});
    edit_.WriteBool(row.Section, row.Key, value);
}

void SettingsWriter::Commit() {
    edit_.Commit();
}

}  // namespace Sumirel

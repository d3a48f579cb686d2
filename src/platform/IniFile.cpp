#include "IniFile.h"

#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "FileIO.h"
#include "LineList.h"
#include "PlatformMessages.h"

namespace Sumirel {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names compare without regard to ASCII letter case. The trail byte of a double-byte
// character is compared exactly, so that two different Japanese characters never match.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) {
                return false;
            }
            ++i;
        } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

enum class LineKind { Other, Section, Key };

// One line of the file: a section header (name between "[" and the first "]"), a key line
// (name before the first "=", raw value after it) or anything else (blank, comment after
// ";", text without "=").
struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view name;
    std::size_t valueStart = 0;  // of a key line: the index just after its "="
};

ParsedLine ParseLine(std::string_view line) {
    ParsedLine parsed;
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() == ';') {
        return parsed;
    }
    if (text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close != std::string_view::npos) {
            parsed.kind = LineKind::Section;
            parsed.name = Trim(text.substr(1, close - 1));
            return parsed;
        }
    }
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos) {
        parsed.kind = LineKind::Key;
        parsed.name = Trim(line.substr(0, equals));
        parsed.valueStart = equals + 1;
    }
    return parsed;
}

// Where a key stands in the lines. Only the first section of the name counts.
struct KeyLocation {
    std::size_t section = kNone;  // index of the section's header line
    std::size_t key = kNone;      // index of the key's first line in that section
    std::size_t lastKey = kNone;  // index of the section's last key line
};

KeyLocation Locate(const std::vector<std::string>& lines, std::string_view section,
                   std::string_view key) {
    KeyLocation location;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed = ParseLine(lines[i]);
        if (location.section == kNone) {
            if (parsed.kind == LineKind::Section && SameName(parsed.name, section)) {
                location.section = i;
            }
            continue;
        }
        if (parsed.kind == LineKind::Section) {
            break;
        }
        if (parsed.kind == LineKind::Key) {
            location.lastKey = i;
            if (location.key == kNone && SameName(parsed.name, key)) {
                location.key = i;
            }
        }
    }
    return location;
}

// A value as read: blanks around it trimmed, one pair of enclosing double quotes removed.
std::string DecodeValue(std::string_view raw) {
    std::string_view value = Trim(raw);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

// A value as written: enclosed in double quotes when trimming or unquoting would change it.
std::string EncodeValue(const std::string& value) {
    if (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                           value.front() == '"' || value.back() == '"')) {
        return '"' + value + '"';
    }
    return value;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

int DigitValue(char c, int base) {
    int digit = -1;
    if (c >= '0' && c <= '9') {
        digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        digit = c - 'A' + 10;
    }
    return digit < base ? digit : -1;
}

bool CanStore(const std::string& section, const std::string& key, const std::string& value) {
    return !HasLineBreak(section) && !HasLineBreak(key) && !HasLineBreak(value) &&
           section.find(']') == std::string::npos && key.find('=') == std::string::npos;
}

}  // namespace

IniWriteError::IniWriteError(const std::string& fileName)
    : PlatformError(fileName + PlatformMessages::kIniCannotWrite) {}

IniText::IniText(std::string_view text) : lines_(LineList::FromText(text)) {}

std::optional<std::string> IniText::Find(const std::string& section, const std::string& key) const {
    const KeyLocation location = Locate(lines_.Lines(), section, key);
    if (location.key == kNone) {
        return std::nullopt;
    }
    const std::string& line = lines_.Lines()[location.key];
    return DecodeValue(std::string_view(line).substr(ParseLine(line).valueStart));
}

std::string IniText::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    return Find(section, key).value_or(defaultValue);
}

std::int32_t IniText::ReadInteger(const std::string& section, const std::string& key,
                                  std::int32_t defaultValue) const {
    std::int32_t value = 0;
    return ParseIniInteger(ReadString(section, key, std::string()), value) ? value : defaultValue;
}

bool IniText::ReadBool(const std::string& section, const std::string& key,
                       bool defaultValue) const {
    std::int32_t value = 0;
    return ParseIniInteger(ReadString(section, key, std::string()), value) ? value != 0
                                                                           : defaultValue;
}

void IniText::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    std::vector<std::string>& lines = lines_.Lines();
    const KeyLocation location = Locate(lines, section, key);
    const std::string stored = EncodeValue(value);
    if (location.key != kNone) {
        std::string& line = lines[location.key];
        line.resize(ParseLine(line).valueStart);
        line += stored;
    } else if (location.section != kNone) {
        const std::size_t after = location.lastKey != kNone ? location.lastKey : location.section;
        lines_.Insert(after + 1, key + "=" + stored);
    } else {
        lines_.Add("[" + section + "]");
        lines_.Add(key + "=" + stored);
    }
}

std::string IniText::Text() const {
    return lines_.Text();
}

IniFile::IniFile(std::string fileName) : fileName_(std::move(fileName)) {}

IniText IniFile::Load() const {
    const std::optional<std::string> text = ReadFileIfPresent(fileName_);
    return text.has_value() ? IniText(*text) : IniText();
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    return Load().ReadString(section, key, defaultValue);
}

std::int32_t IniFile::ReadInteger(const std::string& section, const std::string& key,
                                  std::int32_t defaultValue) const {
    return Load().ReadInteger(section, key, defaultValue);
}

bool IniFile::ReadBool(const std::string& section, const std::string& key,
                       bool defaultValue) const {
    return Load().ReadBool(section, key, defaultValue);
}

void IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    IniEdit edit(fileName_);
    edit.WriteString(section, key, value);
    edit.Commit();
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

IniEdit::IniEdit(std::string fileName) : fileName_(std::move(fileName)) {}

void IniEdit::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    // A line break cannot be stored on one line, a "]" would end the section's name early and
    // an "=" the key's name: the whole edit is refused before anything is written.
    if (!CanStore(section, key, value)) {
        throw IniWriteError(fileName_);
    }
    writes_.push_back({section, key, value});
}

void IniEdit::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniEdit::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void IniEdit::Commit() {
    if (writes_.empty()) {
        return;
    }
    IniText text;
    try {
        text = IniFile(fileName_).Load();
    } catch (const FileError&) {
        // Writing from an empty text would destroy the keys we could not read.
        throw IniWriteError(fileName_);
    }
    for (const Write& write : writes_) {
        text.WriteString(write.section, write.key, write.value);
    }
    try {
        WriteFileAtomic(fileName_, text.Text(), 0600,
                        ownerOnly_ ? FileModeRule::OwnerOnly : FileModeRule::KeepExisting);
    } catch (const FileError&) {
        throw IniWriteError(fileName_);
    }
    writes_.clear();
}

bool ParseIniInteger(const std::string& text, std::int32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) {
        return false;
    }
    const std::int64_t limit =
        negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                 : std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i], base);
        if (digit < 0) {
            return false;
        }
        magnitude = magnitude * base + digit;
        if (magnitude > limit) {
            return false;
        }
    }
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

}  // namespace Sumirel

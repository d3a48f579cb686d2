#include "shell/EntryDraft.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/Errors.h"
#include "platform/FileIO.h"
#include "platform/StableHash.h"
#include "platform/XdgFolders.h"

namespace Sumirel {

namespace {

// A draft holds the four fields, each as its length in bytes, a line break, the bytes and a
// line break, after this first line; lengths keep any byte of the fields unambiguous.
constexpr std::string_view kHeader = "sumirel-draft 1\n";

void AppendField(std::string& out, const std::string& field) {
    out += std::to_string(field.size());
    out += '\n';
    out += field;
    out += '\n';
}

bool ReadField(std::string_view& in, std::string& field) {
    const std::size_t newline = in.find('\n');
    if (newline == std::string_view::npos || newline == 0 || newline > 12) {
        return false;
    }
    std::size_t length = 0;
    for (char c : in.substr(0, newline)) {
        if (c < '0' || c > '9') {
            return false;
        }
        length = length * 10 + static_cast<std::size_t>(c - '0');
    }
    in.remove_prefix(newline + 1);
    if (in.size() < length + 1 || in[length] != '\n') {
        return false;
    }
    field.assign(in.substr(0, length));
    in.remove_prefix(length + 1);
    return true;
}

}  // namespace

std::string DraftFileName(const std::string& diaryFileName) {
    std::error_code ec;
    std::filesystem::path diary = NativePath(diaryFileName);
    const std::filesystem::path absolute = std::filesystem::absolute(diary, ec);
    if (!ec) {
        diary = absolute.lexically_normal();
    }
    char name[32];
    std::snprintf(name, sizeof name, "draft-%016llx",
                  static_cast<unsigned long long>(StableHash(diary.native())));
    return StateFolder() + "/" + name;
}

void SaveDraft(const std::string& diaryFileName, const SDiary& entry) {
    std::string text(kHeader);
    for (const std::string* field : {&entry.Date, &entry.Wheather, &entry.Title, &entry.Contents}) {
        AppendField(text, *field);
    }
    EnsurePrivateFolder(StateFolder());
    WriteFileAtomic(DraftFileName(diaryFileName), text, 0600);
}

std::optional<SDiary> LoadDraft(const std::string& diaryFileName) {
    const std::string fileName = DraftFileName(diaryFileName);
    if (!FileExists(fileName)) {
        return std::nullopt;
    }
    std::string text;
    try {
        text = ReadWholeFile(fileName);
    } catch (const FileError&) {
        return std::nullopt;
    }
    std::string_view in = text;
    if (!in.starts_with(kHeader)) {
        return std::nullopt;
    }
    in.remove_prefix(kHeader.size());
    SDiary entry;
    for (std::string* field : {&entry.Date, &entry.Wheather, &entry.Title, &entry.Contents}) {
        if (!ReadField(in, *field)) {
            return std::nullopt;
        }
    }
    return in.empty() ? std::optional<SDiary>(entry) : std::nullopt;
}

void RemoveDraft(const std::string& diaryFileName) {
    std::error_code ec;
    std::filesystem::remove(NativePath(DraftFileName(diaryFileName)), ec);
}

}  // namespace Sumirel

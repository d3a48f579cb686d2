#include "LoadSettings.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <variant>

#include "platform/FileIO.h"
#include "platform/LineList.h"
#include "settings/SettingsFile.h"

namespace Sumirel {

namespace {

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Fills one field of the record the way the row's kind reads.
struct FillField {
    const SettingsReader& file;
    const SettingRow& row;
    Settings& settings;

    void operator()(TextField field) const { field(settings) = file.Text(row); }
    void operator()(IntegerField field) const { field(settings) = file.Integer(row); }
    void operator()(BoolField field) const { field(settings) = file.Bool(row); }
    void operator()(ListField field) const { field(settings) = SplitOtherFiles(file.Text(row)); }
};

}  // namespace

Settings LoadSettings(const std::string& iniFileName, std::optional<std::int32_t> currentPort) {
    const SettingsReader file(iniFileName, currentPort);
    Settings settings;
    for (const SettingRow& row : SettingsTable()) {
        std::visit(FillField{file, row, settings}, row.Field);
    }
    return settings;
}

void LockDiaryOf(const std::string& iniFileName, std::optional<WriterLock>& lock) {
    std::string diary;
    try {
        diary = LoadSettings(iniFileName).DiaryFileName;
    } catch (const FileError&) {
        // A settings file that cannot be read cannot be written either; the write that
        // follows reports it in its own words.
        return;
    }
    if (!diary.empty()) {
        lock.emplace(diary);
    }
}

std::string OtherFilesBoxText(const std::string& stored) {
    return ReplaceAll(stored, "<", "\r\n");
}

std::vector<std::string> SplitOtherFiles(const std::string& stored) {
    LineList list = LineList::FromText(OtherFilesBoxText(stored));
    return std::move(list.Lines());
}

std::string StoreOtherFiles(const std::string& boxText) {
    return ReplaceAll(boxText, "\r\n", "<");
}

std::string FormatDate(int year, int month, int day, const DateSeparator& separators) {
    return std::to_string(year) + separators.YearSep + std::to_string(month) + separators.MonSep +
           std::to_string(day) + separators.DaySep;
}

}  // namespace Sumirel

#include "settings/SettingsTable.h"

#include <stdexcept>
#include <string_view>

#include "platform/FileIO.h"

namespace Sumirel {

namespace {

using namespace SettingsKeys;
using DR = DefaultRule;
using S = Settings;
using F = FTPSetting;

// One row a key. Credentials are ScrambledRow; a default that follows the current folder or
// the caller's port says so by its rule.
const SettingRow kRows[] = {
    TextRow<&S::DiaryFileName>(kFiles, "DiaryFileName", "Diary.txt", DR::InCurrentFolder),
    TextRow<&S::HtmlFileName>(kFiles, "HtmlFileName", "Diary.html", DR::InCurrentFolder),
    TextRow<&S::TemplateFileName>(kFiles, "TemplateFileName", "Template.html", DR::InCurrentFolder),
    TextRow<&S::Separators, &DateSeparator::YearSep>(kSettings, "YearSep", "/"),
    TextRow<&S::Separators, &DateSeparator::MonSep>(kSettings, "MonSep", "/"),
    TextRow<&S::Separators, &DateSeparator::DaySep>(kSettings, "DaySep"),
    TextRow<&S::AddStrings, &LenAddStrings::LenStartString>(kSettings, "LenStartString"),
    TextRow<&S::AddStrings, &LenAddStrings::LenEndString>(kSettings, "LenEndString", "<BR>"),
    PathListRow<&S::OtherFiles>(kSettings, "OtherFiles"),
    IntegerRow<&S::BackupCount>(kSettings, "BackupCount", 10),

    TextRow<&S::Ftp, &F::HostName>(kFtp, "HostName"),
    ScrambledRow<&S::Ftp, &F::ID>(kFtp, "ID"),
    ScrambledRow<&S::Ftp, &F::Pass>(kFtp, "Pass"),
    TextRow<&S::Ftp, &F::DefaultDir>(kFtp, "DefaultDir"),
    IntegerRow<&S::Ftp, &F::Port>(kFtp, "Port", 21, DR::CurrentPort),
    BoolRow<&S::Ftp, &F::DialUp>(kFtp, "DialUp", false),
    BoolRow<&S::Ftp, &F::QuitDialUp>(kFtp, "QuitDialUp", false),
    TextRow<&S::Ftp, &F::DialEntryName>(kFtp, "DialEntryName"),
    ScrambledRow<&S::Ftp, &F::DialID>(kFtp, "DialID"),
    ScrambledRow<&S::Ftp, &F::DialPass>(kFtp, "DialPass"),
    TextRow<&S::Ftp, &F::Protocol>(kFtp, "Protocol", Protocols::kFtp),
    BoolRow<&S::Ftp, &F::Passive>(kFtp, "Passive", true),
    TextRow<&S::Ftp, &F::Fingerprint>(kFtp, "Fingerprint"),
    IntegerRow<&S::Ftp, &F::Timeout>(kFtp, "Timeout", 60),

    TextRow<&S::Feed, &FeedSetting::FileName>(kFeed, "FileName"),
    TextRow<&S::Feed, &FeedSetting::Url>(kFeed, "Url"),
    TextRow<&S::Feed, &FeedSetting::Title>(kFeed, "Title"),
    IntegerRow<&S::Feed, &FeedSetting::Entries>(kFeed, "Entries", 15),
};

}  // namespace

std::span<const SettingRow> SettingsTable() {
    return kRows;
}

const SettingRow& FindSettingRow(std::string_view section, std::string_view key) {
    for (const SettingRow& row : kRows) {
        if (row.Section == section && row.Key == key) {
            return row;
        }
    }
    throw std::logic_error("no settings row for [" + std::string(section) + "] " +
                           std::string(key));
}

std::string DefaultText(const SettingRow& row) {
    if (row.Rule == DefaultRule::InCurrentFolder) {
        return CurrentFolder() + "/" + row.DefaultText;
    }
    return row.DefaultText;
}

std::int32_t DefaultNumber(const SettingRow& row, std::optional<std::int32_t> currentPort) {
    return row.Rule == DefaultRule::CurrentPort ? currentPort.value_or(row.DefaultNumber)
                                                : row.DefaultNumber;
}

}  // namespace Sumirel

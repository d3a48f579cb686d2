#include "LoadSettings.h"

#include <string_view>
#include <utility>

#include "platform/FileIO.h"
#include "platform/IniFile.h"
#include "platform/LineList.h"
#include "settings/Scramble.h"

namespace Sumirel {

namespace {

// A file beside the current folder, which is asked afresh at every call.
std::string InCurrentFolder(const char* name) {
    return CurrentFolder() + "/" + name;
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

}  // namespace

Settings LoadSettings(const std::string& iniFileName, std::int32_t currentPort) {
    using namespace SettingsKeys;
    const IniFile ini(iniFileName);
    Settings s;

    s.DiaryFileName = ini.ReadString(kFiles, "DiaryFileName", InCurrentFolder("Diary.txt"));
    s.HtmlFileName = ini.ReadString(kFiles, "HtmlFileName", InCurrentFolder("Diary.html"));
    s.TemplateFileName =
        ini.ReadString(kFiles, "TemplateFileName", InCurrentFolder("Template.html"));

    s.Separators.MonSep = ini.ReadString(kSettings, "MonSep", "/");
    s.Separators.YearSep = ini.ReadString(kSettings, "YearSep", "/");
    s.Separators.DaySep = ini.ReadString(kSettings, "DaySep", "");
    s.AddStrings.LenStartString = ini.ReadString(kSettings, "LenStartString", "");
    s.AddStrings.LenEndString = ini.ReadString(kSettings, "LenEndString", "<BR>");
    s.OtherFiles = SplitOtherFiles(ini.ReadString(kSettings, "OtherFiles", ""));

    FTPSetting& ftp = s.Ftp;
    ftp.HostName = ini.ReadString(kFtp, "HostName", "");
    ftp.ID = UnscrambleText(ini.ReadString(kFtp, "ID", ""));
    ftp.DefaultDir = ini.ReadString(kFtp, "DefaultDir", "");
    ftp.Pass = UnscrambleText(ini.ReadString(kFtp, "Pass", ""));
    ftp.Port = ini.ReadInteger(kFtp, "Port", currentPort);
    ftp.DialUp = ini.ReadBool(kFtp, "DialUp", false);
    ftp.QuitDialUp = ini.ReadBool(kFtp, "QuitDialUp", false);
    ftp.DialEntryName = ini.ReadString(kFtp, "DialEntryName", "");
    ftp.DialID = UnscrambleText(ini.ReadString(kFtp, "DialID", ""));
    ftp.DialPass = UnscrambleText(ini.ReadString(kFtp, "DialPass", ""));
    return s;
}

std::vector<std::string> SplitOtherFiles(const std::string& stored) {
    LineList list = LineList::FromText(ReplaceAll(stored, "<", "\r\n"));
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

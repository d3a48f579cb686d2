#pragma once
// The settings the main window holds, as plain value records. Field names are the names of
// the settings keys that fill them.

#include <cstdint>
#include <string>
#include <vector>

namespace Sumirel {

struct DateSeparator {
    std::string YearSep = "/";
    std::string MonSep = "/";
    std::string DaySep;
};

struct LenAddStrings {
    std::string LenStartString;
    std::string LenEndString;
};

// The credentials (ID, Pass, DialID, DialPass) are held in plain form; only the settings file
// holds them scrambled.
struct FTPSetting {
    std::string HostName;
    std::string ID;
    std::string Pass;
    std::string DefaultDir;
    std::int32_t Port = 0;
    bool DialUp = false;
    bool QuitDialUp = false;
    std::string DialEntryName;
    std::string DialID;
    std::string DialPass;
    // How the files travel: "FTP" (plain), "FTPES" (FTP with explicit TLS) or "SFTP".
    std::string Protocol = "FTP";
    bool Passive = true;  // FTP and FTPES: passive data connections (active when false)
    // The server's identity the user trusted: a certificate's SHA-256 fingerprint
    // ("AB:CD:...") for FTPES, a host key's ("SHA256:...") for SFTP; empty when none.
    std::string Fingerprint;
    std::int32_t Timeout = 60;  // seconds without any data moving before a transfer fails
};

// The protocols Protocol may name.
namespace Protocols {
inline constexpr char kFtp[] = "FTP";
inline constexpr char kFtpes[] = "FTPES";
inline constexpr char kSftp[] = "SFTP";
}  // namespace Protocols

// The Atom feed of the newest entries. An empty FileName means no feed; Url is the public
// address of the diary page, which the feed's links and ids are made from.
struct FeedSetting {
    std::string FileName;
    std::string Url;
    std::string Title;  // empty: the page's <title>, else 日記
    std::int32_t Entries = 15;
};

struct Settings {
    std::string DiaryFileName;
    std::string HtmlFileName;
    std::string TemplateFileName;
    DateSeparator Separators;
    LenAddStrings AddStrings;
    FTPSetting Ftp;
    std::vector<std::string> OtherFiles;
    FeedSetting Feed;
    // How many copies of the diary and the template to keep before replacing them; 0 keeps
    // none.
    std::int32_t BackupCount = 10;
};

// Section and key names of the settings file.
namespace SettingsKeys {
inline constexpr char kFiles[] = "Files";
inline constexpr char kSettings[] = "Settings";
inline constexpr char kFtp[] = "FTP";
inline constexpr char kFeed[] = "Feed";
}  // namespace SettingsKeys

}  // namespace Sumirel

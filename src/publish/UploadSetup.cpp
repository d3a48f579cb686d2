#include "publish/UploadSetup.h"

#include <cctype>
#include <chrono>
#include <string>

#include "platform/qt/DialUp.h"
#include "platform/qt/FtpClient.h"
#include "platform/ssh/SftpClient.h"
#include "settings/SettingsFile.h"

namespace Sumirel {

namespace {

bool EqualsIgnoringCase(const std::string& text, const char* word) {
    const std::size_t length = std::char_traits<char>::length(word);
    if (text.size() != length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(word[i]))) {
            return false;
        }
    }
    return true;
}

constexpr std::int32_t kFtpPort = 21;
constexpr std::int32_t kSshPort = 22;

}  // namespace

std::string ProtocolName(const FTPSetting& ftp) {
    // A missing key reads as FTP; an empty value is taken the same way.
    if (ftp.Protocol.empty() || EqualsIgnoringCase(ftp.Protocol, Protocols::kFtp)) {
        return Protocols::kFtp;
    }
    for (const char* name : {Protocols::kFtpes, Protocols::kSftp}) {
        if (EqualsIgnoringCase(ftp.Protocol, name)) {
            return name;
        }
    }
    throw UnknownProtocolError("[FTP] Protocol=" + ftp.Protocol +
                               " is not a known protocol (FTP, FTPES or SFTP)");
}

ConnectionOptions UploadConnection(const FTPSetting& ftp) {
    const std::string protocol = ProtocolName(ftp);
    ConnectionOptions options;
    options.Host = ftp.HostName;
    options.UserID = ftp.ID;
    options.Password = ftp.Pass;
    options.Port = ftp.Port;
    // The settings' Port falls back on the FTP port when the key is missing, so for SFTP
    // that value (and 0) means SSH's own port; an SSH server on port 21 is not a thing.
    if (protocol == Protocols::kSftp && (options.Port == 0 || options.Port == kFtpPort)) {
        options.Port = kSshPort;
    }
    options.Tls = protocol == Protocols::kFtpes;
    options.Passive = ftp.Passive;
    options.Fingerprint = ftp.Fingerprint;
    // A timeout of 0 or less would fail every transfer at once; the default stands then.
    options.StallLimit = std::chrono::seconds(ftp.Timeout > 0 ? ftp.Timeout : 60);
    return options;
}

std::unique_ptr<UploadClient> CreateUploadClient(const FTPSetting& ftp) {
    if (ProtocolName(ftp) == Protocols::kSftp) {
        return std::make_unique<SftpClient>();
    }
    return std::make_unique<FtpClient>();
}

UploadSetup SetUpUpload(const Settings& settings, UploadClient& client, DialUp* dialUp) {
    const FTPSetting& ftp = settings.Ftp;
    client.Options = UploadConnection(ftp);
    if (dialUp != nullptr) {
        dialUp->EntryName = ftp.DialEntryName;
        dialUp->UserName = ftp.DialID;
        dialUp->Password = ftp.DialPass;
    }

    UploadSetup setup;
    if (ftp.HostName.empty()) {
        setup.Missing = "[FTP] HostName";
    } else if (settings.HtmlFileName.empty()) {
        setup.Missing = "[Files] HtmlFileName";
    }
    setup.Plan.RemoteDir = ftp.DefaultDir;
    setup.Plan.SendFiles = settings.OtherFiles;
    setup.Plan.SendFiles.push_back(settings.HtmlFileName);
    // The feed names the page's entries, so it goes up once the page is there.
    if (!settings.Feed.FileName.empty()) {
        setup.Plan.SendFiles.push_back(settings.Feed.FileName);
    }
    setup.Plan.UseDialUp = ftp.DialUp;
    setup.Plan.HangUpAfter = ftp.QuitDialUp;
    return setup;
}

void StoreFingerprint(const std::string& iniFileName, const std::string& fingerprint) {
    SettingsWriter writer(iniFileName);
    writer.Text(SettingsKeys::kFtp, "Fingerprint", fingerprint);
    writer.Commit();
}

}  // namespace Sumirel

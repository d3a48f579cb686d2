#include "publish/UploadSetup.h"

#include <cctype>
#include <chrono>
#include <string>

#include "platform/qt/DialUp.h"
#include "platform/qt/FtpClient.h"

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

}  // namespace

ConnectionOptions UploadConnection(const FTPSetting& ftp) {
    ConnectionOptions options;
    options.Host = ftp.HostName;
    options.UserID = ftp.ID;
    options.Password = ftp.Pass;
    options.Port = ftp.Port;
    options.Tls = EqualsIgnoringCase(ftp.Protocol, Protocols::kFtpes);
    options.Passive = ftp.Passive;
    options.Fingerprint = ftp.Fingerprint;
    // A timeout of 0 or less would fail every transfer at once; the default stands then.
    options.StallLimit = std::chrono::seconds(ftp.Timeout > 0 ? ftp.Timeout : 60);
    return options;
}

UploadSetup SetUpUpload(const Settings& settings, FtpClient& client, DialUp* dialUp) {
    const FTPSetting& ftp = settings.Ftp;
    const ConnectionOptions options = UploadConnection(ftp);
    client.Host = options.Host;
    client.UserID = options.UserID;
    client.Password = options.Password;
    client.Port = options.Port;
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

}  // namespace Sumirel

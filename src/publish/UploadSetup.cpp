#include "publish/UploadSetup.h"

#include "platform/qt/DialUp.h"
#include "platform/qt/FtpClient.h"

namespace Sumirel {

ConnectionOptions UploadConnection(const FTPSetting& ftp) {
    ConnectionOptions options;
    options.Host = ftp.HostName;
    options.UserID = ftp.ID;
    options.Password = ftp.Pass;
    options.Port = ftp.Port;
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
    setup.Plan.UseDialUp = ftp.DialUp;
    setup.Plan.HangUpAfter = ftp.QuitDialUp;
    return setup;
}

}  // namespace Sumirel

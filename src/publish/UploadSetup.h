#pragma once
// The upload's set-up from the settings, shared by the window's upload command and
// sumirel-cli: the connection copied into the client, the dial-up entry into the dial-up
// component, and the plan of what to send (every target file, then the page).

#include <string>

#include "platform/qt/UploadClient.h"
#include "publish/UploadSequence.h"
#include "settings/Settings.h"

namespace Sumirel {

class DialUp;
class FtpClient;

struct UploadSetup {
    UploadPlan Plan;
    // The setting that leaves nothing to do ("[FTP] HostName" or "[Files] HtmlFileName" when
    // empty); empty when the upload can run.
    std::string Missing;
};

// The connection's parameters as the settings give them.
ConnectionOptions UploadConnection(const FTPSetting& ftp);

// Sets `client` (and `dialUp`, when there is one) from the settings and plans the files. The
// client and the dial-up component are set even when the upload cannot run.
UploadSetup SetUpUpload(const Settings& settings, FtpClient& client, DialUp* dialUp);

}  // namespace Sumirel

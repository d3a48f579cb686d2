#pragma once
// The upload's set-up from the settings, shared by the window's upload command and
// sumirel-cli: the client for the protocol of the settings, the connection copied into it,
// the dial-up entry into the dial-up component, and the plan of what to send (every target
// file, then the page, then the feed).

#include <memory>
#include <string>

#include "platform/qt/UploadClient.h"
#include "publish/UploadSequence.h"
#include "settings/Settings.h"

namespace Sumirel {

class DialUp;

struct UploadSetup {
    UploadPlan Plan;
    // The setting that leaves nothing to do ("[FTP] HostName" or "[Files] HtmlFileName" when
    // empty); empty when the upload can run.
    std::string Missing;
};

// A Protocol the settings name that no client speaks. Its text names the value.
class UnknownProtocolError : public PlatformError {
public:
    using PlatformError::PlatformError;
};

// The protocol's name as shown to the user ("FTP", "FTPES", "SFTP"), whatever case the
// settings wrote it in; throws UnknownProtocolError.
std::string ProtocolName(const FTPSetting& ftp);

// The connection's parameters as the settings give them. Throws UnknownProtocolError.
ConnectionOptions UploadConnection(const FTPSetting& ftp);

// The client that speaks the settings' Protocol (FtpClient for FTP and FTPES, SftpClient for
// SFTP), its Options not yet set. Throws UnknownProtocolError.
std::unique_ptr<UploadClient> CreateUploadClient(const FTPSetting& ftp);

// Sets `client`'s Options (and `dialUp`, when there is one) from the settings and plans the
// files. The client and the dial-up component are set even when the upload cannot run.
UploadSetup SetUpUpload(const Settings& settings, UploadClient& client, DialUp* dialUp);

// Stores `fingerprint` as the trusted identity ([FTP] Fingerprint) in the settings file, in
// one replacement. Throws IniWriteError.
void StoreFingerprint(const std::string& iniFileName, const std::string& fingerprint);

}  // namespace Sumirel

#pragma once
// The FTP step of an upload: connect, change to the remote folder, send every file, log
// out, hang up when asked to; every step logged, the user's cancel tested between steps.
// The upload window and the command line both run it.

#include <functional>
#include <string>
#include <vector>

namespace Sumirel {

class DialUp;
class FtpClient;

struct UploadPlan {
    std::string RemoteDir;               // empty: stay in the login folder
    std::vector<std::string> SendFiles;  // local paths, in sending order
    bool UseDialUp = false;
    bool HangUpAfter = false;
};

class UploadLog {
public:
    virtual ~UploadLog() = default;
    virtual void Clear() = 0;
    // Adds one line and lets pending events run (so it is painted and Cancel is handled).
    virtual void Add(const std::string& line) = 0;
};

// The name a local file gets on the server: the part after its last folder separator.
std::string RemoteName(const std::string& localPath);

// Runs the FTP step. `aborted` is tested at every checkpoint; true when every file was sent,
// false after the failure path ("失敗" logged, connection closed, hung up when asked).
bool RunTransfer(FtpClient& ftp, DialUp* dialUp, const UploadPlan& plan, UploadLog& log,
                 const std::function<bool()>& aborted);

}  // namespace Sumirel

#include "publish/UploadSequence.h"

#include <exception>

#include "platform/qt/DialUp.h"
#include "platform/qt/FtpClient.h"
#include "publish/UploadMessages.h"

namespace Sumirel {

std::string RemoteName(const std::string& localPath) {
    // '/' is never the second byte of a Shift-JIS character, so a byte search is safe.
    const std::size_t slash = localPath.rfind('/');
    return slash == std::string::npos ? localPath : localPath.substr(slash + 1);
}

namespace {

// Leaves the remaining steps when the user cancelled.
struct Cancelled {};

}  // namespace

bool RunTransfer(FtpClient& ftp, DialUp* dialUp, const UploadPlan& plan, UploadLog& log,
                 const std::function<bool()>& aborted) {
    namespace M = UploadMessages;
    auto checkpoint = [&] {
        if (aborted()) {
            throw Cancelled{};
        }
    };
    auto hangUp = [&] {
        if (plan.UseDialUp && plan.HangUpAfter && dialUp != nullptr) {
            try {
                dialUp->DisConnect();
            } catch (const std::exception&) {
                // Nothing more can be done about a line that will not hang up.
            }
        }
    };
    log.Clear();
    try {
        log.Add(M::kConnecting);
        ftp.Connect();
        checkpoint();
        log.Add(M::kConnected);
        checkpoint();
        if (!plan.RemoteDir.empty()) {
            log.Add(plan.RemoteDir + M::kChangingDirSuffix);
            checkpoint();
            ftp.ChangeDir(plan.RemoteDir);
            log.Add(M::kDirChanged);
        }
        for (const std::string& path : plan.SendFiles) {
            log.Add(M::kSendingPrefix + path + M::kSendingSuffix);
            checkpoint();
            ftp.Upload(path, RemoteName(path));
            log.Add(M::kSent);
        }
        ftp.Disconnect();
        hangUp();
        return true;
    } catch (...) {
        // The error's own text is shown nowhere: "失敗" is the whole report.
        log.Add(M::kFailed);
        ftp.Disconnect();
        hangUp();
        return false;
    }
}

}  // namespace Sumirel

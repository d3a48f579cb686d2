#include "publish/UploadSequence.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "platform/FileIO.h"
#include "platform/qt/DialUp.h"
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

std::int64_t LocalSize(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(NativePath(path), ec);
    return ec ? 0 : static_cast<std::int64_t>(size);
}

// Sets a callback of the client for the run and puts the caller's back afterwards.
template <typename Callback>
class CallbackScope {
public:
    CallbackScope(Callback& slot, Callback value) : slot_(slot), saved_(std::move(slot)) {
        slot_ = std::move(value);
    }
    ~CallbackScope() { slot_ = std::move(saved_); }
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

private:
    Callback& slot_;
    Callback saved_;
};

std::string CheckLine(const PutResult& result) {
    namespace M = UploadMessages;
    switch (result.Check) {
        case CheckResult::SizeAndHash:
            return M::kCheckedSizeAndHashPrefix + result.HashName + M::kCheckedSizeAndHashSuffix;
        case CheckResult::Size:
            return M::kCheckedSize;
        case CheckResult::NotChecked:
            break;
    }
    return M::kNotChecked;
}

}  // namespace

TransferOutcome RunTransfer(UploadClient& client, DialUp* dialUp, const UploadPlan& plan,
                            UploadLog& log, const std::function<bool()>& aborted,
                            UploadProgress* progress) {
    namespace M = UploadMessages;
    TransferOutcome outcome;
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

    std::int64_t doneBytes = 0;
    if (progress != nullptr) {
        std::int64_t total = 0;
        for (const std::string& path : plan.SendFiles) {
            total += LocalSize(path);
        }
        progress->TotalBytes = total;
        progress->SentBytes = 0;
        progress->FileIndex = -1;
    }
    auto reportSent = [&](std::int64_t sent) {
        if (progress == nullptr) {
            return;
        }
        const std::int64_t before = progress->SentBytes.load();
        const std::int64_t now = doneBytes + sent;
        progress->SentBytes = now;
        if (now >= progress->TotalBytes && before < progress->TotalBytes) {
            ++progress->Completions;
        }
    };
    const CallbackScope notes(client.OnNote,
                              std::function<void(const std::string&)>(
                                  [&log](const std::string& line) { log.Add(line); }));
    const CallbackScope sent(client.OnProgress, std::function<void(std::int64_t)>(reportSent));

    auto connectAndEnter = [&](bool logged) {
        client.Connect();
        if (logged) {
            checkpoint();
            log.Add(M::kConnected);
            checkpoint();
        }
        if (!plan.RemoteDir.empty()) {
            if (logged) {
                log.Add(plan.RemoteDir + M::kChangingDirSuffix);
                checkpoint();
            }
            client.ChangeDir(plan.RemoteDir);
            if (logged) {
                log.Add(M::kDirChanged);
            }
        }
    };

    log.Clear();
    try {
        log.Add(M::kConnecting);
        connectAndEnter(true);
        for (std::size_t i = 0; i < plan.SendFiles.size(); ++i) {
            const std::string& path = plan.SendFiles[i];
            log.Add(M::kSendingPrefix + path + M::kSendingSuffix);
            checkpoint();
            if (progress != nullptr) {
                progress->FileIndex = static_cast<int>(i);
            }
            PutResult result;
            try {
                result = client.Put(path, RemoteName(path));
            } catch (const UploadError& error) {
                if (error.GetKind() != UploadError::Kind::Transient) {
                    throw;
                }
                // A lost connection or a passing refusal: once more, on a new connection.
                log.Add(M::kRetryingPrefix + std::string(error.what()));
                client.Disconnect();
                checkpoint();
                reportSent(0);
                connectAndEnter(false);
                result = client.Put(path, RemoteName(path));
            }
            doneBytes += LocalSize(path);
            reportSent(0);
            ++outcome.FilesSent;
            log.Add(M::kSent);
            log.Add(CheckLine(result));
        }
        client.Disconnect();
        hangUp();
        if (progress != nullptr && progress->Completions == 0) {
            // Nothing but empty files: the upload is complete all the same.
            ++progress->Completions;
        }
        outcome.Sent = true;
        return outcome;
    } catch (const Cancelled&) {
        outcome.Reason = M::kCancelled;
    } catch (const UploadError& error) {
        outcome.Reason = error.what();
        if (error.GetKind() == UploadError::Kind::Trust) {
            outcome.TrustRefused = true;
            outcome.Identity = error.Identity();
        }
    } catch (const std::exception& error) {
        outcome.Reason = error.what();
    }
    log.Add(M::kFailed);
    log.AddReason(outcome.Reason);
    client.Disconnect();
    hangUp();
    return outcome;
}

}  // namespace Sumirel

#pragma once
// The transfer step of an upload: connect, change to the remote folder, send every file, log
// out, hang up when asked to; every step logged, the user's cancel tested between steps.
// The upload window and the command line both run it, over any UploadClient.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/qt/UploadClient.h"

namespace Sumirel {

class DialUp;

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
    // The reason of a failure, right after 失敗; a log of its own lines by default.
    virtual void AddReason(const std::string& line) { Add(line); }
};

// Counters the transfer keeps up to date while it runs, for a display that reads them on a
// timer of its own (the transfer never paints). Plain stores: the client's progress calls
// come often, and a display may read from anywhere.
struct UploadProgress {
    std::atomic<std::int64_t> TotalBytes{0};  // of every file to send, as found at the start
    std::atomic<std::int64_t> SentBytes{0};   // files done plus the current file's part
    std::atomic<int> FileIndex{-1};           // index in SendFiles of the file on its way
    // How often SentBytes reached TotalBytes; one after an upload that sent everything.
    std::atomic<int> Completions{0};
};

struct TransferOutcome {
    bool Sent = false;  // every file was sent
    int FilesSent = 0;
    std::string Reason;  // why it failed (Shift-JIS); empty after success
    // The server's identity was refused (untrusted or changed): Identity is what it showed.
    bool TrustRefused = false;
    ServerIdentity Identity;
};

// The name a local file gets on the server: the part after its last folder separator.
std::string RemoteName(const std::string& localPath);

// Runs the transfer step. `aborted` is tested at every checkpoint. The client's notes are
// logged as lines of their own, each file's check after its 転送完了, the reason of a failure
// after 失敗. A file whose sending fails with a Transient error is sent once more on a new
// connection. `progress`, when given, is kept up to date.
TransferOutcome RunTransfer(UploadClient& client, DialUp* dialUp, const UploadPlan& plan,
                            UploadLog& log, const std::function<bool()>& aborted,
                            UploadProgress* progress = nullptr);

}  // namespace Sumirel

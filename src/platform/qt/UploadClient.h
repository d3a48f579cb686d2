#pragma once
// What the upload needs of a file-transfer connection, whatever protocol carries it (FTP,
// FTP over TLS, SFTP). The upload sequence, the upload window and sumirel-cli talk to this
// interface only, so a new protocol changes none of them.
//
// Every operation blocks its caller but keeps pending window events running (a nested event
// loop or an equivalent wait), so a window stays painted and its Cancel button is handled.
// Texts are Shift-JIS, as the settings hold them.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "platform/Errors.h"

namespace Sumirel {

// The identity a server showed: its certificate (FTPES) or host key (SFTP).
struct ServerIdentity {
    // The form the settings store: "AA:BB:..." (SHA-256 of a certificate) or "SHA256:..."
    // (an SSH host key, as ssh-keygen -l -E sha256 prints it).
    std::string Fingerprint;
    // Lines for a question box or a terminal (subject, issuer, validity, or the key type),
    // Shift-JIS like every text.
    std::string Description;
    // A fingerprint was stored for this server and the server now shows another one.
    bool Changed = false;
    // Verified against the certificate authorities for the host name, or equal to the
    // stored fingerprint: no question needed.
    bool Trusted = false;
};

// A failed operation. Its text is the server's reply or the system's reason, ready to show.
class UploadError : public PlatformError {
public:
    enum class Kind {
        Transient,  // the connection was lost, a stall, or a 4xx reply: worth one retry
        Final,      // a 5xx reply, an unreadable local file, a check that failed
        Trust,      // the server's certificate or host key is not trusted
    };
    UploadError(Kind kind, const std::string& message) : PlatformError(message), kind_(kind) {}
    // Kind::Trust: the identity refused, for telling the user how to trust it.
    UploadError(Kind kind, const std::string& message, ServerIdentity identity)
        : PlatformError(message), kind_(kind), identity_(std::move(identity)) {}
    Kind GetKind() const { return kind_; }
    const ServerIdentity& Identity() const { return identity_; }

private:
    Kind kind_;
    ServerIdentity identity_;
};

// The connection's parameters, copied from the settings by the upload's set-up.
struct ConnectionOptions {
    std::string Host;
    std::string UserID;
    std::string Password;
    std::int32_t Port = 0;    // 0: the protocol's default port
    bool Passive = true;      // FTP only
    bool Tls = false;         // FTP only: explicit TLS (AUTH TLS)
    std::string Fingerprint;  // the trusted identity; empty when none is stored
    std::chrono::milliseconds StallLimit{60000};
    // Test seams; empty means the system's own: a CA bundle for TLS verification, the
    // OpenSSH folder (known_hosts, default keys) for SFTP.
    std::string CaFile;
    std::string SshFolder;
};

// How a stored file was checked against the local one.
enum class CheckResult {
    NotChecked,   // the server offers neither size nor hash
    Size,         // the sizes agree
    SizeAndHash,  // sizes and a hash agree
};

struct PutResult {
    CheckResult Check = CheckResult::NotChecked;
    std::string HashName;        // e.g. "SHA-256" when a hash was compared
    bool StoredInPlace = false;  // the server could not rename: stored under the final name
};

class UploadClient {
public:
    virtual ~UploadClient() = default;

    ConnectionOptions Options;

    // Called during Connect when the server's identity is neither verified nor pinned (and
    // did not change). True accepts it for this connection; the caller stores the
    // fingerprint. Unset: refuse. Nothing (no user name, no password) is sent before.
    std::function<bool(const ServerIdentity&)> OnUntrustedIdentity;
    // A line worth logging (TLS in use, a fallback taken); Shift-JIS.
    std::function<void(const std::string&)> OnNote;
    // Bytes of the current file sent so far; called often during Put, never more than the
    // file's size, and once with the whole size when the file is sent.
    std::function<void(std::int64_t)> OnProgress;

    // Opens the connection, checks the server's identity and logs in. Throws UploadError
    // (Kind::Trust for an identity refused; a changed one is refused without asking).
    virtual void Connect() = 0;
    // Opens the connection and completes the handshake only, to read the identity the
    // server shows; sends no credentials. Throws UploadError.
    virtual ServerIdentity FetchIdentity() = 0;
    // Changes to a folder on the server, unchanged text.
    virtual void ChangeDir(const std::string& folder) = 0;
    // Sends the local file under a temporary name in the current folder, renames it over
    // `remoteName` and checks what arrived. A failure leaves no temporary file behind where
    // the server allows its removal. Throws UploadError.
    virtual PutResult Put(const std::string& localPath, const std::string& remoteName) = 0;
    // Logs out and closes; nothing when not connected. Never throws.
    virtual void Disconnect() = 0;
    virtual bool IsConnected() const = 0;
};

}  // namespace Sumirel

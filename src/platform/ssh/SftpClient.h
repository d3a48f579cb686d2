#pragma once
// Uploads over SFTP (SSH) through libssh.
//
// libssh blocks, so every operation runs on a thread of its own while the calling thread
// waits in a nested event loop (see OffThreadCall.h); the callbacks run on the calling
// thread. A connection that moves nothing for the stall limit is cut and fails as Transient.
//
// The host key is checked before any user name or password is sent: it is accepted when the
// known_hosts file (SshFolder/known_hosts, else ~/.ssh/known_hosts, with the "[host]:port"
// form for ports other than 22) holds it for the host, or when its SHA-256 fingerprint equals
// the pinned one. A key that differs from the one known or pinned is refused; an unknown one
// is put to OnUntrustedIdentity.
//
// Login: with a password, password authentication, then keyboard-interactive (every hidden
// prompt answered with the password), then the default keys with the password as their
// passphrase. Without one, the SSH agent, then the default unencrypted keys. The default keys
// are id_ed25519, id_ecdsa and id_rsa in the SSH folder. OpenSSH's own configuration files
// are not read: the settings name host, port and user.
//
// Folder and file names are sent as the bytes the settings hold, as the FTP client does.
// ChangeDir is relative to the current folder (at first the login folder) unless absolute.
//
// A handler that runs during a wait may call Disconnect: the operation under way then fails
// as Transient and the connection is closed. Any other operation called then fails at once.

#include <memory>
#include <string>

#include "platform/qt/UploadClient.h"

namespace Sumirel {

class SftpClient : public UploadClient {
public:
    SftpClient();
    ~SftpClient() override;
    SftpClient(const SftpClient&) = delete;
    SftpClient& operator=(const SftpClient&) = delete;

    void Connect() override;
    ServerIdentity FetchIdentity() override;
    void ChangeDir(const std::string& folder) override;
    PutResult Put(const std::string& localPath, const std::string& remoteName) override;
    void Disconnect() override;
    bool IsConnected() const override;

    // The folder uploads go to now, as the server names it; empty when not connected.
    std::string CurrentFolder() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace Sumirel

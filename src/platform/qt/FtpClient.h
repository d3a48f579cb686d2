#pragma once
// A small FTP client with exactly what the upload needs: log in, change folder, store files,
// log out. Data connections are active (the client listens, PORT or EPRT announces it).
//
// Every operation waits in a nested event loop, so the window stays painted and its Cancel
// button is handled while the client waits. A connection that moves no data for the stall
// limit (60 s unless set otherwise) fails instead of hanging for ever.
//
// A handler that runs during such a wait may call the client again: Disconnect then ends the
// operation under way with FtpError and closes the connection (no QUIT, a command being
// under way); any other operation fails at once with FtpError. The client must not be
// destroyed while one of its operations waits.

#include <QObject>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Errors.h"

namespace Sumirel {

// A refused or lost connection, a 4xx or 5xx reply (its text is the server's reply), an
// unreadable local file (the text of its FileError), a stall.
class FtpError : public PlatformError {
public:
    using PlatformError::PlatformError;
};

class FtpClient : public QObject {
    Q_OBJECT
public:
    explicit FtpClient(QObject* parent = nullptr);
    ~FtpClient() override;

    // Shift-JIS texts, as the settings hold them.
    std::string Host;
    std::string UserID;
    std::string Password;
    std::int32_t Port = 21;

    void SetStallLimit(std::chrono::milliseconds limit);

    // Opens the control connection and logs in (USER, then PASS when the server asks).
    void Connect();
    // CWD with the folder unchanged.
    void ChangeDir(const std::string& folder);
    // Stores the local file under `remoteName` in the server's current folder; TYPE I is
    // sent once before the first file, so that every byte arrives as written.
    void Upload(const std::string& localPath, const std::string& remoteName);
    // QUIT and close when connected; nothing otherwise. Never throws.
    void Disconnect();
    bool IsConnected() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace Sumirel

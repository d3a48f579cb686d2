#pragma once
// The FTP client of the upload, plain or over explicit TLS (FTPES): log in, change folder,
// store files under a temporary name and rename them into place, check what arrived, log
// out.
//
// Data connections are passive by default (EPSV, then PASV); when the server refuses both
// the connection falls back to active mode (the client listens, PORT or EPRT announces it),
// which Options.Passive = false asks for from the start. With Options.Tls the control
// connection is secured by AUTH TLS before anything else is sent, and every data connection
// is TLS as well, resuming the control connection's session as servers may demand.
//
// Every operation waits in a nested event loop, so the window stays painted and its Cancel
// button is handled while the client waits. A connection that moves no data for the stall
// limit fails instead of hanging for ever, and the whole login must end within that limit.
//
// A handler that runs during such a wait may call the client again: Disconnect then ends the
// operation under way with UploadError and closes the connection (no QUIT, a command being
// under way); any other operation fails at once with UploadError. The client must not be
// destroyed while one of its operations waits.

#include <QObject>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/qt/UploadClient.h"

namespace Sumirel {

// The name the callers of the plain FTP client have always caught.
using FtpError = UploadError;

class FtpClient : public QObject, public UploadClient {
    Q_OBJECT
public:
    explicit FtpClient(QObject* parent = nullptr);
    ~FtpClient() override;

    // The same as Options.Host and so on, for the callers that set them one by one.
    std::string& Host = Options.Host;
    std::string& UserID = Options.UserID;
    std::string& Password = Options.Password;
    std::int32_t& Port = Options.Port;  // 21 unless set otherwise

    void SetStallLimit(std::chrono::milliseconds limit);

    // Opens the control connection, secures it (Options.Tls), settles trust in the server's
    // certificate and logs in (USER, then PASS when the server asks).
    void Connect() override;
    // Connects, secures the connection and returns the certificate the server showed; sends
    // no user name or password. Only with Options.Tls.
    ServerIdentity FetchIdentity() override;
    // CWD with the folder unchanged.
    void ChangeDir(const std::string& folder) override;
    // Stores under a temporary name, checks size (and hash where the server offers one),
    // then renames it over `remoteName`. TYPE I is sent once before the first file, so that
    // every byte arrives as written.
    PutResult Put(const std::string& localPath, const std::string& remoteName) override;
    // Stores the local file straight under `remoteName`, unchecked: the older way, kept for
    // callers that do not use Put yet.
    void Upload(const std::string& localPath, const std::string& remoteName);
    // QUIT and close when connected; nothing otherwise. Never throws.
    void Disconnect() override;
    bool IsConnected() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace Sumirel

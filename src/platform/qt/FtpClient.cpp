#include "FtpClient.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QString>
#include <QTcpServer>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <set>
#include <string_view>
#include <type_traits>

#include "platform/qt/FtpReply.h"
#include "platform/qt/LocalSource.h"
#include "platform/qt/ShiftJisCodec.h"
#include "platform/qt/TlsIdentity.h"

// The client is written as straight-line code (send a command, wait for its reply, ...).
// Every wait runs a nested QEventLoop until its condition holds; the sockets' signals only
// record what happened and wake the loop. Nothing is ever deleted inside a signal of its
// own, and no exception passes through Qt: errors are thrown after the loop has returned.
//
// Two kinds of failure: a refusal by the server (a 4xx or 5xx reply) leaves the connection
// as it was, ready for the next command; anything that leaves the dialogue out of step (a
// lost connection, a stall, an unreadable or unexpected reply, a Disconnect during a wait)
// closes the connection.

namespace Sumirel {

namespace {

using namespace std::chrono_literals;
using Ftp::Reply;
using Kind = UploadError::Kind;

constexpr std::int32_t kDefaultPort = 21;
// QUIT is a courtesy: the connection is closed after this long whatever the server says.
constexpr std::chrono::milliseconds kQuitLimit = 5s;
// More unanswered reply text than this is not an FTP server talking.
constexpr qsizetype kMaxReplyBytes = 64 * 1024;
// The kernel holds at most about this much of a file being sent (Linux doubles it), so that
// data is seen to move close to the wire and the last bytes of a file on a slow line do not
// sit in a buffer for longer than the stall limit.
constexpr int kDataSendBuffer = 64 * 1024;
// The file is read in pieces of this size, the next one once the socket holds less.
constexpr qint64 kChunk = 256 * 1024;
// The temporary name of a file being stored: hidden on Unix servers, and plainly ours.
constexpr std::string_view kPartSuffix = ".sumirel-part";

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

[[noreturn]] void Throw(Kind kind, const QString& message) {
    throw UploadError(kind, ToShiftJis(message));
}

// The dialogue with the server cannot go on; the connection is closed.
class ConnectionLost : public UploadError {
public:
    explicit ConnectionLost(const std::string& message) : UploadError(Kind::Transient, message) {}
    explicit ConnectionLost(const QString& message) : ConnectionLost(ToShiftJis(message)) {}
};

// The server's refusal: a 4xx reply is worth another try, a 5xx reply is not.
[[noreturn]] void Refuse(const Reply& reply) {
    throw UploadError(reply.Kind() == 4 ? Kind::Transient : Kind::Final, reply.text);
}

// Returns when the reply's first digit is `kind`. A 4xx or 5xx reply is the server's
// refusal; any other reply means the dialogue is out of step.
void Expect(const Reply& reply, int kind) {
    if (reply.Kind() == kind) {
        return;
    }
    if (reply.Kind() >= 4) {
        Refuse(reply);
    }
    throw ConnectionLost(reply.text);
}

// The reply says the server does not know the command at all.
bool NotImplemented(const Reply& reply) {
    return reply.code == 500 || reply.code == 502 || reply.code == 504;
}

// A CR or LF inside a name or password would end the command early and let the rest of the
// text be read as a command of its own; a NUL ends it early on many servers.
void RequireOneLine(const std::string& text) {
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
        Throw(Kind::Final, U("FTP サーバーに送る名前に改行または NUL 文字が含まれています。"));
    }
}

// ".NAME.sumirel-part" in the folder of `remoteName`.
std::string TemporaryName(const std::string& remoteName) {
    const std::size_t slash = remoteName.rfind('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    return remoteName.substr(0, base) + "." + remoteName.substr(base) + std::string(kPartSuffix);
}

QHostAddress Unwrapped(const QHostAddress& address) {
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(ipv4) : address;
}

// Sockets and the listener are let go without any of their signals reaching us again.
template <typename T>
void Discard(std::unique_ptr<T>& object) {
    if (object) {
        object->disconnect();
        if constexpr (std::is_base_of_v<QAbstractSocket, T>) {
            object->abort();
        } else {
            object->close();
        }
        object.reset();
    }
}

// Hands out accepted connections as QSslSocket, so that an active data connection can be
// secured like a passive one.
class DataListener : public QTcpServer {
protected:
    void incomingConnection(qintptr descriptor) override {
        auto socket = std::make_unique<QSslSocket>();
        if (socket->setSocketDescriptor(descriptor)) {
            addPendingConnection(socket.release());
        }
    }
};

// A way to ask the server for a stored file's hash, strongest first.
struct HashMethod {
    const char* feature;  // as FEAT lists it (ParseFeatures' form)
    const char* command;
    const char* name;  // the name HASH and OPTS HASH use
    QCryptographicHash::Algorithm algorithm;
    int hexLength;
};
constexpr HashMethod kHashMethods[] = {
    {"HASH SHA-256", "HASH", "SHA-256", QCryptographicHash::Sha256, 64},
    {"XSHA256", "XSHA256", "SHA-256", QCryptographicHash::Sha256, 64},
    {"HASH SHA-1", "HASH", "SHA-1", QCryptographicHash::Sha1, 40},
    {"XSHA1", "XSHA1", "SHA-1", QCryptographicHash::Sha1, 40},
    {"HASH MD5", "HASH", "MD5", QCryptographicHash::Md5, 32},
    {"XMD5", "XMD5", "MD5", QCryptographicHash::Md5, 32},
};

}  // namespace

struct FtpClient::Impl {
    explicit Impl(FtpClient* owner);
    ~Impl() { CloseConnection(); }

    template <typename Operation>
    void Run(Operation operation);
    template <typename Done>
    void Wait(Done done, std::chrono::milliseconds limit);
    void Wake();
    void Moved();
    void Note(const QString& text);

    void Open();
    void Reach();
    void StartTls(const QString& host);
    ServerIdentity Identify() const;
    void SettleTrust();
    void LogIn();
    void ReadFeatures();
    void Logout();
    void CloseConnection();
    void RequireConnected();
    std::optional<Reply> Take();
    Reply ReadReply();
    Reply Command(const std::string& line);

    void RequireBinary();
    void OpenData();
    std::optional<Ftp::PassiveAddress> EnterPassive();
    void ConnectData(const QHostAddress& address, quint16 port);
    void WireData(QSslSocket* socket);
    void SecureData(QSslSocket* socket);
    void OpenListener();
    std::string PortCommand() const;
    void AcceptData();
    [[noreturn]] void FailData();
    std::int64_t Transfer(const std::string& command, LocalSource& source,
                          QCryptographicHash* hash);
    void Check(const std::string& name, std::int64_t size, const QByteArray& hash,
               PutResult& result);
    bool MoveIntoPlace(const std::string& temporary, const std::string& remoteName);
    void RemoveQuietly(const std::string& name);
    PutResult Put(LocalSource& source, const std::string& remoteName);

    FtpClient* owner;
    ConnectionOptions& options;
    QString host;  // as connected to, for the certificate's name

    std::unique_ptr<QSslSocket> control;
    QByteArray inbox;  // received, not yet taken as a reply
    QString controlError;
    QList<QSslError> certificateErrors;  // of the control connection's handshake
    QSslCertificate serverCertificate;   // once the control connection is secured
    bool loggedIn = false;
    bool typeSent = false;

    // What this connection has learnt about the server.
    bool epsvRefused = false;
    bool passiveRefused = false;
    bool pasvAddressNoted = false;
    bool renameRefused = false;
    bool sizeRefused = false;
    const HashMethod* hashMethod = nullptr;

    std::unique_ptr<DataListener> listener;
    std::unique_ptr<QSslSocket> data;
    QString dataError;

    bool busy = false;            // an operation is under way
    bool abortRequested = false;  // Disconnect was called while it waited
    QEventLoop* loop = nullptr;   // the wait under way
    QTimer stallTimer;
    bool stalled = false;
    // The whole login, from the connection to the last reply, ends within the stall limit
    // however the server trickles its replies.
    QTimer loginTimer;
    bool loginExpired = false;
};

FtpClient::Impl::Impl(FtpClient* owner_) : owner(owner_), options(owner_->Options) {
    stallTimer.setSingleShot(true);
    QObject::connect(&stallTimer, &QTimer::timeout, owner, [this] {
        stalled = true;
        Wake();
    });
    loginTimer.setSingleShot(true);
    QObject::connect(&loginTimer, &QTimer::timeout, owner, [this] {
        loginExpired = true;
        Wake();
    });
}

// Runs one public operation. A reentrant call (from a handler that a wait runs) is refused,
// so two dialogues never interleave on the connection.
template <typename Operation>
void FtpClient::Impl::Run(Operation operation) {
    if (busy) {
        Throw(Kind::Final, U("FTP の操作の途中で、別の操作が呼ばれました。"));
    }
    busy = true;
    abortRequested = false;
    struct Idle {
        Impl* impl;
        ~Idle() { impl->busy = false; }
    } idle{this};
    try {
        operation();
    } catch (const ConnectionLost&) {
        CloseConnection();
        throw;
    }
    // A Disconnect asked for during the last wait, which ended successfully all the same.
    if (abortRequested) {
        CloseConnection();
    }
}

// Processes events (the window's included) until `done` holds. Fails when the connection
// breaks, when Disconnect is called meanwhile, or when no data moves for `limit`.
template <typename Done>
void FtpClient::Impl::Wait(Done done, std::chrono::milliseconds limit) {
    if (done()) {
        return;
    }
    QEventLoop waitLoop;
    loop = &waitLoop;
    stalled = false;
    stallTimer.start(limit);
    struct Reset {
        Impl* impl;
        ~Reset() {
            impl->loop = nullptr;
            impl->stallTimer.stop();
        }
    } reset{this};
    do {
        if (abortRequested) {
            throw ConnectionLost(U("FTP の接続は操作の途中で切断されました。"));
        }
        if (loginExpired) {
            throw ConnectionLost(
                U("FTP サーバーへのログインが %1 秒以内に終わらなかったため、接続を閉じました。")
                    .arg(static_cast<double>(options.StallLimit.count()) / 1000.0));
        }
        if (stalled) {
            throw ConnectionLost(U("FTP サーバーとの通信が %1 秒止まったため、接続を閉じました。")
                                     .arg(static_cast<double>(limit.count()) / 1000.0));
        }
        if (!controlError.isEmpty()) {
            throw ConnectionLost(controlError);
        }
        if (!control || control->state() == QAbstractSocket::UnconnectedState) {
            throw ConnectionLost(U("FTP サーバーとの接続が切れました。"));
        }
        waitLoop.exec();
    } while (!done());
}

void FtpClient::Impl::Wake() {
    if (loop != nullptr) {
        loop->quit();
    }
}

// Data moved: the stall timer starts again.
void FtpClient::Impl::Moved() {
    if (stallTimer.isActive()) {
        stallTimer.start();
    }
    Wake();
}

void FtpClient::Impl::Note(const QString& text) {
    if (owner->OnNote) {
        owner->OnNote(ToShiftJis(text));
    }
}

// A new control socket, its signals recorded; not yet connected.
void FtpClient::Impl::Open() {
    control = std::make_unique<QSslSocket>();
    control->setProxy(QNetworkProxy::NoProxy);
    QSslSocket* socket = control.get();
    const auto drain = [this, socket] {
        if (socket->bytesAvailable() > 0) {
            inbox += socket->readAll();
        }
        if (inbox.size() > kMaxReplyBytes && controlError.isEmpty()) {
            controlError = U("FTP サーバーの応答が長すぎます。");
            socket->abort();
        }
    };
    QObject::connect(socket, &QSslSocket::connected, owner, [this] { Moved(); });
    QObject::connect(socket, &QSslSocket::bytesWritten, owner, [this] { Moved(); });
    QObject::connect(socket, &QSslSocket::encryptedBytesWritten, owner, [this] { Moved(); });
    QObject::connect(socket, &QSslSocket::encrypted, owner, [this] { Moved(); });
    QObject::connect(socket, &QSslSocket::readyRead, owner, [this, drain] {
        drain();
        Moved();
    });
    // Whether the certificate is trusted is settled after the handshake, where the user can
    // be asked; until then nothing but the handshake goes over the connection.
    QObject::connect(socket, &QSslSocket::sslErrors, owner,
                     [this, socket](const QList<QSslError>& errors) {
                         certificateErrors += errors;
                         socket->ignoreSslErrors();
                     });
    QObject::connect(socket, &QSslSocket::errorOccurred, owner, [this, socket, drain] {
        drain();
        if (controlError.isEmpty()) {
            controlError = socket->errorString();
        }
        Wake();
    });
    QObject::connect(socket, &QSslSocket::disconnected, owner, [this, drain] {
        drain();
        Wake();
    });
}

// Connects, reads the greeting and, with TLS, secures the connection: everything before
// the first word about the user. Starts the login's time limit.
void FtpClient::Impl::Reach() {
    host = FromShiftJis(options.Host);
    if (host.isEmpty()) {
        Throw(Kind::Final, U("FTP サーバーのホスト名が空です。"));
    }
    const std::int32_t port = options.Port == 0 ? kDefaultPort : options.Port;
    if (port < 1 || port > 65535) {
        Throw(Kind::Final, U("FTP のポート番号 %1 は使えません。").arg(port));
    }
    loginExpired = false;
    loginTimer.start(options.StallLimit);
    Open();
    control->connectToHost(host, static_cast<quint16>(port));
    Wait([&] { return control->state() == QAbstractSocket::ConnectedState; }, options.StallLimit);
    Reply greeting = ReadReply();
    while (greeting.Kind() == 1) {  // "ready in a few minutes"; 220 follows
        greeting = ReadReply();
    }
    Expect(greeting, 2);
    if (!options.Tls) {
        return;
    }
    const Reply auth = Command("AUTH TLS");
    if (auth.Kind() != 2) {
        // Never on in plain text: the password would cross the network readable.
        throw UploadError(
            auth.Kind() == 4 ? Kind::Transient : Kind::Final,
            ToShiftJis(U("FTP サーバーが TLS での接続を受け付けません: ")) + auth.text);
    }
    if (!inbox.isEmpty()) {
        // Plain text sent after the 234 would be read as if it had come over TLS.
        throw ConnectionLost(U("FTP サーバーが TLS の開始前に余計な応答を送りました。"));
    }
    StartTls(host);
    Note(U("TLS (%1) で暗号化して接続しました。")
             .arg(control->sessionProtocol() == QSsl::TlsV1_3 ? U("TLS 1.3") : U("TLS 1.2")));
}

void FtpClient::Impl::StartTls(const QString& peerName) {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setProtocol(QSsl::TlsV1_2OrLater);
    config.setPeerVerifyMode(QSslSocket::VerifyPeer);
    // The session is kept in the configuration, so that each data connection resumes it:
    // servers take that as proof that the data connection comes from the same client.
    config.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    if (!options.CaFile.empty()) {
        const QList<QSslCertificate> authorities =
            QSslCertificate::fromPath(QString::fromStdString(options.CaFile), QSsl::Pem);
        if (authorities.isEmpty()) {
            Throw(
                Kind::Final,
                U("証明書ファイル %1 を読めません。").arg(QString::fromStdString(options.CaFile)));
        }
        config.setCaCertificates(authorities);
    }
    certificateErrors.clear();
    control->setSslConfiguration(config);
    control->setPeerVerifyName(peerName);
    control->startClientEncryption();
    Wait([&] { return control->isEncrypted(); }, options.StallLimit);
    serverCertificate = control->peerCertificate();
    if (serverCertificate.isNull()) {
        throw ConnectionLost(U("FTP サーバーが証明書を示しませんでした。"));
    }
}

ServerIdentity FtpClient::Impl::Identify() const {
    ServerIdentity identity;
    identity.Fingerprint = CertificateFingerprint(serverCertificate);
    identity.Description = DescribeCertificate(serverCertificate);
    const bool verified = certificateErrors.isEmpty();
    identity.Trusted = verified || SameFingerprint(options.Fingerprint, identity.Fingerprint);
    identity.Changed = !identity.Trusted && !options.Fingerprint.empty();
    return identity;
}

// Goes on only with a certificate that the authorities vouch for, that was trusted before,
// or that the user trusts now. A certificate that changed since it was trusted is refused
// without asking: that is what an attacker in the middle would show.
void FtpClient::Impl::SettleTrust() {
    const ServerIdentity identity = Identify();
    if (identity.Trusted) {
        return;
    }
    const QString fingerprint = QString::fromStdString(identity.Fingerprint);
    if (identity.Changed) {
        throw UploadError(Kind::Trust,
                          ToShiftJis(U("FTP サーバーの証明書が、信頼したものから変わっています。"
                                       "接続を中止しました。新しい証明書の SHA-256 指紋: %1")
                                         .arg(fingerprint)),
                          identity);
    }
    bool accepted = false;
    if (owner->OnUntrustedIdentity) {
        // The user's time to answer is no part of the login's limit.
        const int remaining = loginTimer.remainingTime();
        loginTimer.stop();
        accepted = owner->OnUntrustedIdentity(identity);
        loginTimer.start(std::max(remaining, 1));
        if (abortRequested) {
            throw ConnectionLost(U("FTP の接続は操作の途中で切断されました。"));
        }
    }
    if (!accepted) {
        throw UploadError(Kind::Trust,
                          ToShiftJis(U("FTP サーバーの証明書を確かめられません。"
                                       "信頼するまで接続しません。SHA-256 指紋: %1")
                                         .arg(fingerprint)),
                          identity);
    }
}

void FtpClient::Impl::LogIn() {
    const Reply user = Command("USER " + options.UserID);
    if (user.code == 331) {
        Expect(Command("PASS " + options.Password), 2);
    } else {
        Expect(user, 2);
    }
    if (options.Tls) {
        // Data connections in TLS as well; a server that will not is not used in plain text.
        Expect(Command("PBSZ 0"), 2);
        Expect(Command("PROT P"), 2);
    }
    ReadFeatures();
}

// FEAT (RFC 2389) tells which hash of a stored file the server can report.
void FtpClient::Impl::ReadFeatures() {
    const Reply feat = Command("FEAT");
    if (feat.Kind() == 1 || feat.Kind() == 3) {
        throw ConnectionLost(feat.text);
    }
    if (feat.code != 211) {
        return;
    }
    const std::set<std::string> features = Ftp::ParseFeatures(feat.text);
    for (const HashMethod& method : kHashMethods) {
        if (features.count(method.feature) == 0) {
            continue;
        }
        if (std::string_view(method.command) == "HASH") {
            const Reply chosen = Command(std::string("OPTS HASH ") + method.name);
            if (chosen.Kind() == 4) {
                Refuse(chosen);
            }
            if (chosen.Kind() != 2) {
                continue;
            }
        }
        hashMethod = &method;
        return;
    }
}

// QUIT, when the connection is up, waiting a little for its reply; then close. Never throws.
void FtpClient::Impl::Logout() {
    try {
        if (control && control->state() == QAbstractSocket::ConnectedState) {
            control->write("QUIT\r\n");
            Wait([this] { return Take().has_value(); },
                 std::min(options.StallLimit, std::chrono::milliseconds(kQuitLimit)));
        }
    } catch (const std::exception&) {
        // The connection is closed below all the same.
    }
    CloseConnection();
}

void FtpClient::Impl::CloseConnection() {
    Discard(data);
    Discard(listener);
    Discard(control);
    inbox.clear();
    controlError.clear();
    dataError.clear();
    certificateErrors.clear();
    serverCertificate = QSslCertificate();
    loggedIn = false;
    typeSent = false;
    epsvRefused = false;
    passiveRefused = false;
    pasvAddressNoted = false;
    renameRefused = false;
    sizeRefused = false;
    hashMethod = nullptr;
    loginTimer.stop();
    loginExpired = false;
}

void FtpClient::Impl::RequireConnected() {
    if (!control || !loggedIn) {
        Throw(Kind::Final, U("FTP サーバーに接続していません。"));
    }
    if (control->state() != QAbstractSocket::ConnectedState) {
        throw ConnectionLost(controlError.isEmpty() ? U("FTP サーバーとの接続が切れました。")
                                                    : controlError);
    }
}

std::optional<Reply> FtpClient::Impl::Take() {
    try {
        return Ftp::TakeReply(inbox);
    } catch (const Ftp::BadReply& bad) {
        throw ConnectionLost(
            U("FTP サーバーの応答を読めません: ") +
            QString::fromLatin1(bad.line.data(), static_cast<qsizetype>(bad.line.size())));
    }
}

Reply FtpClient::Impl::ReadReply() {
    std::optional<Reply> reply;
    Wait([&] { return (reply = Take()).has_value(); }, options.StallLimit);
    return *reply;
}

Reply FtpClient::Impl::Command(const std::string& line) {
    const QByteArray bytes = QByteArray::fromStdString(line) + "\r\n";
    if (control->write(bytes) != bytes.size()) {
        throw ConnectionLost(control->errorString());
    }
    return ReadReply();
}

void FtpClient::Impl::RequireBinary() {
    if (!typeSent) {
        Expect(Command("TYPE I"), 2);
        typeSent = true;
    }
}

// Prepares the data connection of one transfer: connected to the server in passive mode,
// listening for it in active mode.
void FtpClient::Impl::OpenData() {
    if (options.Passive && !passiveRefused) {
        if (const std::optional<Ftp::PassiveAddress> target = EnterPassive()) {
            ConnectData(target->address, target->port);
            return;
        }
    }
    OpenListener();
    Expect(Command(PortCommand()), 2);
}

// EPSV, or PASV when the server does not know it; nothing when it refuses both, and the
// connection goes on in active mode.
std::optional<Ftp::PassiveAddress> FtpClient::Impl::EnterPassive() {
    const QHostAddress peer = Unwrapped(control->peerAddress());
    const auto refusedOrThrow = [](const Reply& reply) {
        if (reply.Kind() == 5) {
            return true;
        }
        if (reply.Kind() == 4) {
            Refuse(reply);
        }
        throw ConnectionLost(reply.text);
    };
    if (!epsvRefused) {
        const Reply epsv = Command("EPSV");
        if (epsv.code == 229) {
            const std::optional<std::uint16_t> port = Ftp::ParseEpsv(epsv.text);
            if (!port) {
                throw ConnectionLost(U("EPSV の応答を読めません: ") +
                                     QString::fromStdString(epsv.text));
            }
            return Ftp::PassiveAddress{peer, *port};
        }
        epsvRefused = refusedOrThrow(epsv);
    }
    const Reply pasv = Command("PASV");
    if (pasv.code == 227) {
        std::optional<Ftp::PassiveAddress> target = Ftp::ParsePasv(pasv.text);
        if (!target) {
            throw ConnectionLost(U("PASV の応答を読めません: ") +
                                 QString::fromStdString(pasv.text));
        }
        // A server behind NAT names its own inner address, which cannot be reached from
        // here; the address we reached it at is where it listens.
        if (!target->address.isEqual(peer) && Ftp::IsUnroutable(target->address)) {
            if (!pasvAddressNoted) {
                Note(U("サーバーが PASV で示したアドレス %1 には届かないため、%2 に接続します。")
                         .arg(target->address.toString(), peer.toString()));
                pasvAddressNoted = true;
            }
            target->address = peer;
        }
        return target;
    }
    passiveRefused = refusedOrThrow(pasv);
    Note(U("サーバーがパッシブモードを受け付けないため、アクティブモードで転送します。"));
    return std::nullopt;
}

void FtpClient::Impl::ConnectData(const QHostAddress& address, quint16 port) {
    data = std::make_unique<QSslSocket>();
    data->setProxy(QNetworkProxy::NoProxy);
    WireData(data.get());
    data->connectToHost(address, port);
    Wait(
        [&] {
            if (!dataError.isEmpty()) {
                throw ConnectionLost(U("データ接続を開けません: ") + dataError);
            }
            return data->state() == QAbstractSocket::ConnectedState;
        },
        options.StallLimit);
    data->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kDataSendBuffer);
    SecureData(data.get());
}

void FtpClient::Impl::WireData(QSslSocket* socket) {
    QObject::connect(socket, &QSslSocket::connected, owner, [this] { Moved(); });
    QObject::connect(socket, &QSslSocket::bytesWritten, owner, [this] { Moved(); });
    QObject::connect(socket, &QSslSocket::encryptedBytesWritten, owner, [this] { Moved(); });
    QObject::connect(socket, &QSslSocket::encrypted, owner, [this, socket] {
        if (socket->peerCertificate() != serverCertificate && dataError.isEmpty()) {
            dataError = U("データ接続の証明書が制御接続のものと違います。");
            socket->abort();
        }
        Moved();
    });
    // The control connection settled the trust; a data connection must show the same
    // certificate.
    QObject::connect(socket, &QSslSocket::sslErrors, owner, [this, socket] {
        if (socket->peerCertificate() == serverCertificate) {
            socket->ignoreSslErrors();
        }
    });
    QObject::connect(socket, &QSslSocket::errorOccurred, owner, [this, socket] {
        if (dataError.isEmpty()) {
            dataError = socket->errorString();
        }
        Wake();
    });
    QObject::connect(socket, &QSslSocket::disconnected, owner, [this] { Wake(); });
}

// With TLS, the data connection resumes the control connection's session (RFC 4217, and
// servers such as vsftpd refuse a data connection that does not).
void FtpClient::Impl::SecureData(QSslSocket* socket) {
    if (!options.Tls) {
        return;
    }
    socket->setSslConfiguration(control->sslConfiguration());
    socket->setPeerVerifyName(host);
    socket->startClientEncryption();
}

// Listens for the server's data connection on the address the control connection uses.
void FtpClient::Impl::OpenListener() {
    const QHostAddress local = Unwrapped(control->localAddress());
    listener = std::make_unique<DataListener>();
    listener->setProxy(QNetworkProxy::NoProxy);
    QObject::connect(listener.get(), &QTcpServer::newConnection, owner, [this] { AcceptData(); });
    if (!listener->listen(local, 0)) {
        const QString reason = listener->errorString();
        Discard(listener);
        Throw(Kind::Transient, reason);
    }
}

// PORT h1,h2,h3,h4,p1,p2 for IPv4 (RFC 959), EPRT |2|address|port| for IPv6 (RFC 2428).
std::string FtpClient::Impl::PortCommand() const {
    const QHostAddress address = listener->serverAddress();
    const quint16 port = listener->serverPort();
    QString command;
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        const quint32 ip = address.toIPv4Address();
        command = QStringLiteral("PORT %1,%2,%3,%4,%5,%6")
                      .arg(ip >> 24)
                      .arg((ip >> 16) & 0xFF)
                      .arg((ip >> 8) & 0xFF)
                      .arg(ip & 0xFF)
                      .arg(port >> 8)
                      .arg(port & 0xFF);
    } else {
        QHostAddress bare = address;
        bare.setScopeId(QString());  // the server has no use for our interface's name
        command = QStringLiteral("EPRT |2|%1|%2|").arg(bare.toString()).arg(port);
    }
    return command.toStdString();
}

// Takes the data connection, when it comes from the server we talk to; a connection from
// any other address (someone racing the server to our port) is turned away.
void FtpClient::Impl::AcceptData() {
    while (listener && listener->hasPendingConnections()) {
        std::unique_ptr<QSslSocket> socket(
            qobject_cast<QSslSocket*>(listener->nextPendingConnection()));
        if (!socket) {
            continue;
        }
        socket->setParent(nullptr);
        if (data || !control ||
            !Unwrapped(socket->peerAddress()).isEqual(Unwrapped(control->peerAddress()))) {
            socket->abort();
            continue;
        }
        data = std::move(socket);
        data->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kDataSendBuffer);
        WireData(data.get());
        SecureData(data.get());
        Moved();
    }
}

// The data connection broke: the server's reply, when it comes, tells why; otherwise the
// connection is out of step.
void FtpClient::Impl::FailData() {
    const QString reason = dataError;
    Discard(data);
    std::optional<Reply> reply;
    try {
        Wait([&] { return (reply = Take()).has_value(); }, options.StallLimit);
    } catch (const ConnectionLost&) {
        throw ConnectionLost(U("データ接続が切れました: ") + reason);
    }
    if (reply->Kind() >= 4) {
        Refuse(*reply);
    }
    throw ConnectionLost(U("データ接続が切れました: ") + reason);
}

// Sends the file through a new data connection after `command` (STOR ...) and waits for the
// server's word that it has it. Returns the number of bytes sent; `hash`, when given, has
// taken them all. The server may connect (active mode) before or after its 150 reply.
std::int64_t FtpClient::Impl::Transfer(const std::string& command, LocalSource& source,
                                       QCryptographicHash* hash) {
    RequireBinary();
    struct DropData {
        Impl* impl;
        ~DropData() {
            Discard(impl->data);
            Discard(impl->listener);
            impl->dataError.clear();
        }
    } dropData{this};

    OpenData();
    Expect(Command(command), 1);
    // Until the last byte has left, a reply means the server gave up on the transfer (425
    // when it could not connect, 426 or 552 while it received); it is not waited out.
    std::optional<Reply> early;
    const auto ready = [&] { return data != nullptr && (!options.Tls || data->isEncrypted()); };
    Wait([&] { return ready() || !dataError.isEmpty() || (early = Take()).has_value(); },
         options.StallLimit);
    Discard(listener);

    const std::int64_t size = source.Size();
    std::int64_t fed = 0;
    std::int64_t reported = -1;
    bool atEnd = false;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    try {
        if (!early && dataError.isEmpty()) {
            Wait(
                [&] {
                    if ((early = Take()) || !dataError.isEmpty()) {
                        return true;
                    }
                    while (!atEnd && data->bytesToWrite() < kChunk) {
                        const std::int64_t got = source.Read(chunk.data(), kChunk);
                        if (got == 0) {
                            atEnd = true;
                            break;
                        }
                        if (hash != nullptr) {
                            hash->addData(QByteArrayView(chunk.constData(), got));
                        }
                        if (data->write(chunk.constData(), got) != got) {
                            dataError = data->errorString();
                            return true;
                        }
                        fed += got;
                    }
                    // The whole size is reported once the server confirms it has the file.
                    const std::int64_t sent = fed - data->bytesToWrite();
                    if (owner->OnProgress && sent > reported && sent < size) {
                        reported = sent;
                        owner->OnProgress(sent);
                    }
                    return atEnd && data->bytesToWrite() == 0;
                },
                options.StallLimit);
        }
    } catch (const ConnectionLost&) {
        throw;
    } catch (...) {
        // The file or a handler failed with the transfer half done: the server's reply to it
        // is still to come, so the dialogue cannot go on.
        CloseConnection();
        throw;
    }
    if (early) {
        if (early->Kind() >= 4) {
            Refuse(*early);
        }
        throw ConnectionLost(early->text);
    }
    if (!dataError.isEmpty()) {
        FailData();
    }
    // End of file for the server; over TLS the closing alert tells it. The connection itself
    // stays open, through a duplicate of its descriptor, until the server has answered:
    // closed at once, a message the server sends late (a TLS 1.3 session ticket) would make
    // the kernel reset the connection, and the server lose the end of the file.
    struct Held {
        int fd;
        ~Held() {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    } held{::dup(static_cast<int>(data->socketDescriptor()))};
    data->disconnectFromHost();
    Wait(
        [&] {
            return data->state() == QAbstractSocket::UnconnectedState || !dataError.isEmpty() ||
                   !inbox.isEmpty();
        },
        options.StallLimit);
    if (held.fd >= 0) {
        ::shutdown(held.fd, SHUT_WR);
    }
    Discard(data);
    Expect(ReadReply(), 2);
    if (fed != size) {
        Throw(
            Kind::Final,
            U("ファイルが送信中に変わりました (%1 バイトのはずが %2 バイト)。").arg(size).arg(fed));
    }
    return fed;
}

// Compares what the server holds under `name` with what was sent: the size (SIZE, in
// binary mode) and, where the server offers one, a hash.
void FtpClient::Impl::Check(const std::string& name, std::int64_t size, const QByteArray& hash,
                            PutResult& result) {
    result.Check = CheckResult::NotChecked;
    result.HashName.clear();
    if (!sizeRefused) {
        const Reply reply = Command("SIZE " + name);
        if (reply.code == 213) {
            const std::optional<std::int64_t> stored = Ftp::ParseSize(reply.text);
            if (stored != size) {
                Throw(Kind::Final, U("サーバーに届いたファイルの大きさが違います "
                                     "(送ったのは %1 バイト、サーバーの答えは %2)。")
                                       .arg(size)
                                       .arg(QString::fromStdString(reply.text)));
            }
            result.Check = CheckResult::Size;
        } else if (reply.Kind() == 4) {
            Refuse(reply);
        } else if (reply.Kind() != 5) {
            throw ConnectionLost(reply.text);
        } else if (NotImplemented(reply)) {
            sizeRefused = true;
        }
    }
    if (hashMethod == nullptr) {
        return;
    }
    const Reply reply = Command(std::string(hashMethod->command) + " " + name);
    if (reply.Kind() == 4) {
        Refuse(reply);
    }
    if (reply.Kind() == 5) {
        return;
    }
    if (reply.code != 213) {
        throw ConnectionLost(reply.text);
    }
    const std::optional<std::string> stored = Ftp::ParseHash(reply.text, hashMethod->hexLength);
    if (stored != hash.toHex().toStdString()) {
        Throw(Kind::Final,
              U("サーバーに届いたファイルの %1 が違います (サーバーの答えは %2)。")
                  .arg(QString::fromLatin1(hashMethod->name), QString::fromStdString(reply.text)));
    }
    result.Check = CheckResult::SizeAndHash;
    result.HashName = hashMethod->name;
}

// Renames the stored temporary file over `remoteName`. False when the server cannot do it.
bool FtpClient::Impl::MoveIntoPlace(const std::string& temporary, const std::string& remoteName) {
    // False when refused with a 5xx reply.
    const auto rename = [&]() -> bool {
        const Reply from = Command("RNFR " + temporary);
        if (from.Kind() == 5) {
            renameRefused = renameRefused || NotImplemented(from);
            return false;
        }
        if (from.code != 350) {
            Expect(from, 3);
        }
        const Reply to = Command("RNTO " + remoteName);
        if (to.Kind() == 5) {
            renameRefused = renameRefused || NotImplemented(to);
            return false;
        }
        Expect(to, 2);
        return true;
    };
    if (rename()) {
        return true;
    }
    if (renameRefused) {
        return false;
    }
    // Some servers do not rename over an existing file: the old one goes first.
    const Reply removed = Command("DELE " + remoteName);
    if (removed.Kind() == 4) {
        Refuse(removed);
    }
    return removed.Kind() == 2 && rename();
}

// DELE of a file we leave behind; whatever the server says, the failure that led here
// stays the one to report.
void FtpClient::Impl::RemoveQuietly(const std::string& name) {
    if (!control || control->state() != QAbstractSocket::ConnectedState) {
        return;
    }
    try {
        Command("DELE " + name);
    } catch (const ConnectionLost&) {
        CloseConnection();
    } catch (const UploadError&) {
    }
}

PutResult FtpClient::Impl::Put(LocalSource& source, const std::string& remoteName) {
    PutResult result;
    std::optional<QCryptographicHash> hash;
    const auto send = [&](const std::string& name) {
        if (hashMethod != nullptr) {
            hash.emplace(hashMethod->algorithm);
        }
        const std::int64_t sent = Transfer("STOR " + name, source, hash ? &*hash : nullptr);
        Check(name, sent, hash ? hash->result() : QByteArray(), result);
    };
    bool placed = false;
    if (!renameRefused) {
        const std::string temporary = TemporaryName(remoteName);
        try {
            send(temporary);
            placed = MoveIntoPlace(temporary, remoteName);
        } catch (const ConnectionLost&) {
            throw;  // no word can reach the server now; the next try overwrites the file
        } catch (...) {
            RemoveQuietly(temporary);
            throw;
        }
        if (!placed) {
            RemoveQuietly(temporary);
            source.Rewind();
        }
    }
    if (!placed) {
        Note(U("サーバーでファイルの名前を変えられないため、%1 を一時的な名前を使わずに送ります。")
                 .arg(FromShiftJis(remoteName)));
        send(remoteName);
        result.StoredInPlace = true;
    }
    if (owner->OnProgress) {
        owner->OnProgress(source.Size());
    }
    return result;
}

FtpClient::FtpClient(QObject* parent) : QObject(parent), impl_(std::make_unique<Impl>(this)) {
    Options.Port = kDefaultPort;
}

FtpClient::~FtpClient() = default;

void FtpClient::SetStallLimit(std::chrono::milliseconds limit) {
    Options.StallLimit = std::max(limit, std::chrono::milliseconds(1));
}

void FtpClient::Connect() {
    Impl& d = *impl_;
    d.Run([&] {
        if (d.control) {
            d.Logout();
        }
        RequireOneLine(Options.UserID);
        RequireOneLine(Options.Password);
        if (Options.StallLimit < std::chrono::milliseconds(1)) {
            Options.StallLimit = std::chrono::milliseconds(1);
        }
        try {
            d.Reach();
            if (Options.Tls) {
                d.SettleTrust();
            }
            d.LogIn();
            d.loginTimer.stop();
            d.loggedIn = true;
        } catch (...) {
            // A half-made connection is of no use to anyone.
            d.CloseConnection();
            throw;
        }
    });
}

ServerIdentity FtpClient::FetchIdentity() {
    Impl& d = *impl_;
    ServerIdentity identity;
    d.Run([&] {
        if (!Options.Tls) {
            Throw(Kind::Final, U("TLS を使わない FTP の接続には、確かめる証明書がありません。"));
        }
        if (d.control) {
            d.Logout();
        }
        try {
            d.Reach();
            identity = d.Identify();
        } catch (...) {
            d.CloseConnection();
            throw;
        }
        d.Logout();
    });
    return identity;
}

void FtpClient::ChangeDir(const std::string& folder) {
    Impl& d = *impl_;
    d.Run([&] {
        d.RequireConnected();
        RequireOneLine(folder);
        Expect(d.Command("CWD " + folder), 2);
    });
}

PutResult FtpClient::Put(const std::string& localPath, const std::string& remoteName) {
    Impl& d = *impl_;
    PutResult result;
    d.Run([&] {
        d.RequireConnected();
        RequireOneLine(remoteName);
        if (remoteName.empty()) {
            Throw(Kind::Final, U("サーバー上のファイル名が空です。"));
        }
        LocalSource source(localPath);
        result = d.Put(source, remoteName);
    });
    return result;
}

void FtpClient::Upload(const std::string& localPath, const std::string& remoteName) {
    Impl& d = *impl_;
    d.Run([&] {
        d.RequireConnected();
        RequireOneLine(remoteName);
        LocalSource source(localPath);
        d.Transfer("STOR " + remoteName, source, nullptr);
        if (OnProgress) {
            OnProgress(source.Size());
        }
    });
}

void FtpClient::Disconnect() {
    Impl& d = *impl_;
    if (d.busy) {
        // Called from a handler that a wait of ours runs: the operation under way ends at
        // once with UploadError and closes the connection; there is no room for QUIT then.
        d.abortRequested = true;
        d.Wake();
        return;
    }
    if (!d.control) {
        return;
    }
    d.busy = true;
    d.abortRequested = false;
    d.Logout();
    d.busy = false;
}

bool FtpClient::IsConnected() const {
    return impl_->control && impl_->loggedIn &&
           impl_->control->state() == QAbstractSocket::ConnectedState;
}

}  // namespace Sumirel

#include "FtpClient.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <type_traits>

#include "platform/FileIO.h"
#include "platform/qt/ShiftJisCodec.h"

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

constexpr std::chrono::milliseconds kDefaultStallLimit = 60s;
// QUIT is a courtesy: the connection is closed after this long whatever the server says.
constexpr std::chrono::milliseconds kQuitLimit = 5s;
// More unanswered reply text than this is not an FTP server talking.
constexpr qsizetype kMaxReplyBytes = 64 * 1024;
// The kernel holds at most about this much of a file being sent (Linux doubles it), so that
// data is seen to move close to the wire and the last bytes of a file on a slow line do not
// sit in a buffer for longer than the stall limit.
constexpr int kDataSendBuffer = 64 * 1024;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

[[noreturn]] void Throw(const QString& message) {
    throw FtpError(ToShiftJis(message));
}

// The dialogue with the server cannot go on; the connection is closed.
class ConnectionLost : public FtpError {
public:
    using FtpError::FtpError;
    explicit ConnectionLost(const QString& message) : FtpError(ToShiftJis(message)) {}
};

// One reply: its code and its whole text as received (every line, with the code), without
// the final line break.
struct Reply {
    int code = 0;
    std::string text;
    int Kind() const { return code / 100; }
};

// The reply code a line begins with, or 0.
int CodeOf(QByteArrayView line) {
    if (line.size() < 3 || line[0] < '1' || line[0] > '5') {
        return 0;
    }
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9') {
            return 0;
        }
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

// True when the line ends a reply with this code: the code and a space, or the code alone.
bool EndsReply(QByteArrayView line, int code) {
    return CodeOf(line) == code && (line.size() == 3 || line[3] == ' ');
}

// Takes the first complete reply off `inbox`. A reply is one line "ddd text", or a first
// line "ddd-text" and further lines up to one that begins with the same code and a space
// (RFC 959, 4.2); the lines between may say anything, other codes included. Lines end with
// CR LF; a lone LF is taken as a line end as well.
std::optional<Reply> TakeReply(QByteArray& inbox) {
    int code = 0;
    qsizetype lineStart = 0;
    for (;;) {
        const qsizetype lineFeed = inbox.indexOf('\n', lineStart);
        if (lineFeed < 0) {
            return std::nullopt;
        }
        qsizetype lineEnd = lineFeed;
        if (lineEnd > lineStart && inbox[lineEnd - 1] == '\r') {
            --lineEnd;
        }
        const QByteArrayView line(inbox.constData() + lineStart, lineEnd - lineStart);
        bool last = false;
        if (lineStart == 0) {
            code = CodeOf(line);
            if (code == 0 || (line.size() > 3 && line[3] != ' ' && line[3] != '-')) {
                throw ConnectionLost(U("FTP サーバーの応答を読めません: ") +
                                     QString::fromLatin1(line.toByteArray()));
            }
            last = line.size() == 3 || line[3] == ' ';
        } else {
            last = EndsReply(line, code);
        }
        if (last) {
            Reply reply{code, std::string(inbox.constData(), static_cast<std::size_t>(lineEnd))};
            inbox.remove(0, lineFeed + 1);
            return reply;
        }
        lineStart = lineFeed + 1;
    }
}

// Returns the reply when its first digit is `kind`. A 4xx or 5xx reply is the server's
// refusal; any other reply means the dialogue is out of step.
void Expect(const Reply& reply, int kind) {
    if (reply.Kind() == kind) {
        return;
    }
    if (reply.Kind() >= 4) {
        throw FtpError(reply.text);
    }
    throw ConnectionLost(reply.text);
}

// A CR or LF inside a name or password would end the command early and let the rest of the
// text be read as a command of its own.
void RequireOneLine(const std::string& text) {
    if (text.find_first_of("\r\n") != std::string::npos) {
        Throw(U("FTP サーバーに送る名前に改行が含まれています。"));
    }
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

    void Open();
    void Logout();
    void CloseConnection();
    void RequireConnected();
    Reply ReadReply();
    Reply Command(const std::string& line);
    void Store(const std::string& content, const std::string& remoteName);
    void OpenListener();
    std::string PortCommand() const;
    void AcceptData();

    FtpClient* owner;
    std::chrono::milliseconds stallLimit = kDefaultStallLimit;

    std::unique_ptr<QTcpSocket> control;
    QByteArray inbox;  // received, not yet taken as a reply
    QString controlError;
    bool loggedIn = false;
    bool typeSent = false;

    std::unique_ptr<QTcpServer> listener;
    std::unique_ptr<QTcpSocket> data;
    QString dataError;

    bool busy = false;            // an operation is under way
    bool abortRequested = false;  // Disconnect was called while it waited
    QEventLoop* loop = nullptr;   // the wait under way
    QTimer stallTimer;
    bool stalled = false;
};

FtpClient::Impl::Impl(FtpClient* owner_) : owner(owner_) {
    stallTimer.setSingleShot(true);
    QObject::connect(&stallTimer, &QTimer::timeout, owner, [this] {
        stalled = true;
        Wake();
    });
}

// Runs one public operation. A reentrant call (from a handler that a wait runs) is refused,
// so two dialogues never interleave on the connection.
template <typename Operation>
void FtpClient::Impl::Run(Operation operation) {
    if (busy) {
        Throw(U("FTP の操作の途中で、別の操作が呼ばれました。"));
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

// A new control socket, its signals recorded; not yet connected.
void FtpClient::Impl::Open() {
    control = std::make_unique<QTcpSocket>();
    control->setProxy(QNetworkProxy::NoProxy);
    QTcpSocket* socket = control.get();
    const auto drain = [this, socket] {
        if (socket->bytesAvailable() > 0) {
            inbox += socket->readAll();
        }
        if (inbox.size() > kMaxReplyBytes && controlError.isEmpty()) {
            controlError = U("FTP サーバーの応答が長すぎます。");
            socket->abort();
        }
    };
    QObject::connect(socket, &QTcpSocket::connected, owner, [this] { Moved(); });
    QObject::connect(socket, &QTcpSocket::bytesWritten, owner, [this] { Moved(); });
    QObject::connect(socket, &QTcpSocket::readyRead, owner, [this, drain] {
        drain();
        Moved();
    });
    QObject::connect(socket, &QTcpSocket::errorOccurred, owner, [this, socket, drain] {
        drain();
        if (controlError.isEmpty()) {
            controlError = socket->errorString();
        }
        Wake();
    });
    QObject::connect(socket, &QTcpSocket::disconnected, owner, [this, drain] {
        drain();
        Wake();
    });
}

// QUIT, when the connection is up, waiting a little for its reply; then close. Never throws.
void FtpClient::Impl::Logout() {
    try {
        if (control && control->state() == QAbstractSocket::ConnectedState) {
            control->write("QUIT\r\n");
            Wait([this] { return TakeReply(inbox).has_value(); }, std::min(stallLimit, kQuitLimit));
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
    loggedIn = false;
    typeSent = false;
}

void FtpClient::Impl::RequireConnected() {
    if (!control || !loggedIn) {
        Throw(U("FTP サーバーに接続していません。"));
    }
    if (control->state() != QAbstractSocket::ConnectedState) {
        throw ConnectionLost(controlError.isEmpty() ? U("FTP サーバーとの接続が切れました。")
                                                    : controlError);
    }
}

Reply FtpClient::Impl::ReadReply() {
    std::optional<Reply> reply;
    Wait([&] { return (reply = TakeReply(inbox)).has_value(); }, stallLimit);
    return *reply;
}

Reply FtpClient::Impl::Command(const std::string& line) {
    const QByteArray bytes = QByteArray::fromStdString(line) + "\r\n";
    if (control->write(bytes) != bytes.size()) {
        throw ConnectionLost(control->errorString());
    }
    return ReadReply();
}

// Listens for the server's data connection on the address the control connection uses.
void FtpClient::Impl::OpenListener() {
    QHostAddress local = control->localAddress();
    bool isIPv4 = false;
    const quint32 ipv4 = local.toIPv4Address(&isIPv4);
    if (isIPv4) {
        local = QHostAddress(ipv4);  // an IPv4-mapped IPv6 address, unwrapped
    }
    listener = std::make_unique<QTcpServer>();
    listener->setProxy(QNetworkProxy::NoProxy);
    QObject::connect(listener.get(), &QTcpServer::newConnection, owner, [this] { AcceptData(); });
    if (!listener->listen(local, 0)) {
        const QString reason = listener->errorString();
        Discard(listener);
        Throw(reason);
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
        std::unique_ptr<QTcpSocket> socket(listener->nextPendingConnection());
        socket->setParent(nullptr);
        if (data || !control || !socket->peerAddress().isEqual(control->peerAddress())) {
            socket->abort();
            continue;
        }
        data = std::move(socket);
        QTcpSocket* accepted = data.get();
        data->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, kDataSendBuffer);
        QObject::connect(accepted, &QTcpSocket::bytesWritten, owner, [this] { Moved(); });
        QObject::connect(accepted, &QTcpSocket::errorOccurred, owner, [this, accepted] {
            if (dataError.isEmpty()) {
                dataError = accepted->errorString();
            }
            Wake();
        });
        QObject::connect(accepted, &QTcpSocket::disconnected, owner, [this] { Wake(); });
        Moved();
    }
}

// TYPE I (once per connection), PORT or EPRT, STOR, the bytes, and the server's word that
// it has them. The server may connect before or after its 150 (or 125) reply.
void FtpClient::Impl::Store(const std::string& content, const std::string& remoteName) {
    if (!typeSent) {
        Expect(Command("TYPE I"), 2);
        typeSent = true;
    }
    struct DropData {
        Impl* impl;
        ~DropData() {
            Discard(impl->data);
            Discard(impl->listener);
            impl->dataError.clear();
        }
    } dropData{this};

    OpenListener();
    Expect(Command(PortCommand()), 2);
    Expect(Command("STOR " + remoteName), 1);
    // Until the last byte has left, a reply means the server gave up on the transfer (425
    // when it could not connect, 426 or 552 while it received); it is not waited out.
    std::optional<Reply> early;
    Wait([&] { return data != nullptr || (early = TakeReply(inbox)).has_value(); }, stallLimit);
    Discard(listener);
    if (!early && !content.empty()) {
        if (data->write(content.data(), static_cast<qint64>(content.size())) < 0) {
            throw ConnectionLost(data->errorString());
        }
        Wait(
            [&] {
                if ((early = TakeReply(inbox))) {
                    return true;
                }
                if (!dataError.isEmpty()) {
                    throw ConnectionLost(dataError);
                }
                return data->bytesToWrite() == 0;
            },
            stallLimit);
    }
    if (early) {
        if (early->Kind() >= 4) {
            throw FtpError(early->text);
        }
        throw ConnectionLost(early->text);
    }
    data->disconnectFromHost();  // end of file for the server
    Discard(data);
    Expect(ReadReply(), 2);
}

FtpClient::FtpClient(QObject* parent) : QObject(parent), impl_(std::make_unique<Impl>(this)) {}

FtpClient::~FtpClient() = default;

void FtpClient::SetStallLimit(std::chrono::milliseconds limit) {
    impl_->stallLimit = std::max(limit, std::chrono::milliseconds(1));
}

void FtpClient::Connect() {
    Impl& d = *impl_;
    d.Run([&] {
        if (d.control) {
            d.Logout();
        }
        const QString host = FromShiftJis(Host);
        if (host.isEmpty()) {
            Throw(U("FTP サーバーのホスト名が空です。"));
        }
        if (Port < 1 || Port > 65535) {
            Throw(U("FTP のポート番号 %1 は使えません。").arg(Port));
        }
        RequireOneLine(UserID);
        RequireOneLine(Password);
        try {
            d.Open();
            d.control->connectToHost(host, static_cast<quint16>(Port));
            d.Wait([&] { return d.control->state() == QAbstractSocket::ConnectedState; },
                   d.stallLimit);
            Reply greeting = d.ReadReply();
            while (greeting.code == 120) {  // "ready in a few minutes"; 220 follows
                greeting = d.ReadReply();
            }
            Expect(greeting, 2);
            const Reply user = d.Command("USER " + UserID);
            if (user.code == 331) {
                Expect(d.Command("PASS " + Password), 2);
            } else {
                Expect(user, 2);
            }
            d.loggedIn = true;
        } catch (...) {
            // A half-made connection is of no use to anyone.
            d.CloseConnection();
            throw;
        }
    });
}

void FtpClient::ChangeDir(const std::string& folder) {
    Impl& d = *impl_;
    d.Run([&] {
        d.RequireConnected();
        RequireOneLine(folder);
        Expect(d.Command("CWD " + folder), 2);
    });
}

void FtpClient::Upload(const std::string& localPath, const std::string& remoteName) {
    Impl& d = *impl_;
    d.Run([&] {
        d.RequireConnected();
        RequireOneLine(remoteName);
        std::string content;
        try {
            content = ReadWholeFile(localPath);
        } catch (const FileError& error) {
            throw FtpError(error.what());
        }
        d.Store(content, remoteName);
    });
}

void FtpClient::Disconnect() {
    Impl& d = *impl_;
    if (d.busy) {
        // Called from a handler that a wait of ours runs: the operation under way ends at
        // once with FtpError and closes the connection; there is no room for QUIT then.
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

#include "SftpClient.h"

#include <fcntl.h>
#include <libssh/libssh.h>
#include <libssh/sftp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <vector>

#include "HostKeyTrust.h"
#include "OffThreadCall.h"
#include "SftpRename.h"
#include "platform/FileIO.h"
#include "platform/qt/ShiftJisCodec.h"

namespace Sumirel {

namespace {

using namespace std::chrono_literals;
using Kind = UploadError::Kind;

constexpr int kDefaultPort = 22;
// Bytes per SFTP write request. libssh 0.10 waits for each write's answer, so larger requests
// mean fewer round trips; OpenSSH's server takes requests up to 256 KiB.
constexpr std::size_t kWriteChunk = 128 * 1024;
constexpr std::string_view kTempSuffix = ".sumirel-part";
// Closing is a courtesy: the connection is dropped after this long whatever the server does.
constexpr std::chrono::milliseconds kCloseLimit = 5s;
constexpr std::array<const char*, 3> kDefaultKeys = {"id_ed25519", "id_ecdsa", "id_rsa"};
// Rounds of keyboard-interactive questions answered before giving up on that method.
constexpr int kMaxInteractiveRounds = 8;

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString Text(const std::string& shiftJis) {
    return FromShiftJis(shiftJis);
}

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// An error raised on the call's thread; the waiting thread turns it into an UploadError (the
// Shift-JIS conversion stays on that one thread).
struct Failure {
    Kind kind;
    QString message;
};

[[noreturn]] void Fail(Kind kind, const QString& message) {
    throw Failure{kind, message};
}

// One SSH connection and its SFTP channel. Shared by the client and the call running on it,
// so a call that outlives its wait still finds everything it uses.
struct Connection {
    ssh_session session = nullptr;
    sftp_session sftp = nullptr;
    // The socket, connected by us and given to libssh, which closes it only after an error.
    int socketFd = -1;
    // A duplicate of it, so that shutting it down from the waiting thread ends any blocking
    // call at once, whatever libssh does with its own descriptor meanwhile.
    int interruptFd = -1;
    std::mutex fdMutex;
    std::atomic<bool> interrupted{false};
    std::atomic<std::uint64_t> activity{0};
    std::atomic<std::int64_t> sent{0};
    bool posixRename = false;
    bool replacedByRemoval = false;  // the last file replaced its old one by removing it
    bool removalNoted = false;
    std::string home;
    std::string current;

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { Close(); }

    void Interrupt() {
        interrupted = true;
        const std::lock_guard lock(fdMutex);
        if (interruptFd >= 0) {
            ::shutdown(interruptFd, SHUT_RDWR);
        }
    }

    void Close() {
        if (sftp != nullptr) {
            sftp_free(sftp);
            sftp = nullptr;
        }
        if (session != nullptr) {
            if (Alive()) {
                ssh_disconnect(session);
            }
            ssh_free(session);
            session = nullptr;
        }
        const std::lock_guard lock(fdMutex);
        // Only a descriptor that still names our socket is ours to close: libssh may have
        // closed it, and the number may be another file's by now.
        if (socketFd >= 0 && interruptFd >= 0 && SameSocket(socketFd, interruptFd)) {
            ::close(socketFd);
        }
        socketFd = -1;
        if (interruptFd >= 0) {
            ::close(interruptFd);
            interruptFd = -1;
        }
    }

    static bool SameSocket(int a, int b) {
        struct stat statusA {};
        struct stat statusB {};
        return ::fstat(a, &statusA) == 0 && ::fstat(b, &statusB) == 0 &&
               statusA.st_dev == statusB.st_dev && statusA.st_ino == statusB.st_ino;
    }

    bool Alive() const {
        return !interrupted && session != nullptr && ssh_is_connected(session) != 0;
    }

    QString SshReason() const {
        return session != nullptr ? QString::fromLocal8Bit(ssh_get_error(session)) : QString();
    }
};

// The connection ended: a Transient failure with libssh's reason.
[[noreturn]] void FailLost(const Connection& c) {
    QString message = U("SFTP サーバーとの接続が切れました。");
    if (const QString reason = c.SshReason(); !reason.isEmpty()) {
        message += U(" (%1)").arg(reason);
    }
    Fail(Kind::Transient, message);
}

// An SFTP request failed: Final when the server refused it, Transient when the connection is
// gone.
[[noreturn]] void FailRequest(const Connection& c, const QString& what) {
    const int status = c.sftp != nullptr ? sftp_get_error(c.sftp) : SSH_FX_OK;
    if (!c.Alive() || status == SSH_FX_OK || status == SSH_FX_NO_CONNECTION ||
        status == SSH_FX_CONNECTION_LOST) {
        FailLost(c);
    }
    QString reason;
    switch (status) {
        case SSH_FX_NO_SUCH_FILE:
            reason = U("そのファイルかフォルダがありません");
            break;
        case SSH_FX_PERMISSION_DENIED:
            reason = U("許可がありません");
            break;
        case SSH_FX_OP_UNSUPPORTED:
            reason = U("サーバーはこの操作に対応していません");
            break;
        default:
            reason = U("サーバーが失敗を返しました");
            break;
    }
    Fail(Kind::Final, U("%1: %2 (%3)").arg(what, reason, c.SshReason()));
}

std::string HomeSshFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::string(home) + "/.ssh";
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr) {
        return std::string(entry->pw_dir) + "/.ssh";
    }
    return ".ssh";
}

// A TCP connection to the server, made here so that its socket is ours to shut down; a
// pending connect gives up when the connection is interrupted.
int ConnectSocket(Connection& c, const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
        Fail(Kind::Final, U("SFTP サーバー %1 が見つかりません: %2")
                              .arg(Text(host), QString::fromLocal8Bit(::gai_strerror(rc))));
    }
    int lastError = ECONNREFUSED;
    int fd = -1;
    for (const addrinfo* address = found; address != nullptr && fd < 0;
         address = address->ai_next) {
        fd = ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                      address->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        int error = 0;
        if (::connect(fd, address->ai_addr, address->ai_addrlen) != 0) {
            error = errno;
            while (error == EINPROGRESS && !c.interrupted) {
                pollfd waiting{fd, POLLOUT, 0};
                if (::poll(&waiting, 1, 100) > 0) {
                    socklen_t length = sizeof error;
                    ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
                }
            }
            if (c.interrupted) {
                error = ECANCELED;
            }
        }
        if (error != 0) {
            lastError = error;
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    if (fd < 0) {
        Fail(Kind::Transient, U("SFTP サーバー %1 (ポート %2) に接続できません: %3")
                                  .arg(Text(host))
                                  .arg(port)
                                  .arg(SystemReason(lastError)));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // Every write request waits for its answer: small segments must not wait for acks.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

struct HostKey {
    std::string fingerprint;
    std::string type;
    KnownHostsVerdict verdict = KnownHostsVerdict::Unknown;
};

// Connects and completes the key exchange; sends nothing that names the user.
HostKey OpenAndReadKey(Connection& c, const ConnectionOptions& options, int port) {
    c.session = ssh_new();
    if (c.session == nullptr) {
        Fail(Kind::Final, U("SSH の接続を用意できません。"));
    }
    const std::string folder = options.SshFolder.empty() ? HomeSshFolder() : options.SshFolder;
    const std::string knownHosts = folder + "/known_hosts";
    const bool processConfig = false;
    const unsigned int portNumber = static_cast<unsigned int>(port);
    // libssh's own bound on a blocking call, beyond our stall limit so that ours speaks first.
    const long timeoutSeconds =
        static_cast<long>(std::chrono::ceil<std::chrono::seconds>(options.StallLimit + 5s).count());
    ssh_options_set(c.session, SSH_OPTIONS_PROCESS_CONFIG, &processConfig);
    ssh_options_set(c.session, SSH_OPTIONS_HOST, options.Host.c_str());
    ssh_options_set(c.session, SSH_OPTIONS_PORT, &portNumber);
    ssh_options_set(c.session, SSH_OPTIONS_SSH_DIR, folder.c_str());
    ssh_options_set(c.session, SSH_OPTIONS_KNOWNHOSTS, knownHosts.c_str());
    if (!options.SshFolder.empty()) {
        // A folder of its own (tests, a portable set-up) stands alone.
        const std::string global = folder + "/ssh_known_hosts";
        ssh_options_set(c.session, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, global.c_str());
    }
    ssh_options_set(c.session, SSH_OPTIONS_TIMEOUT, &timeoutSeconds);

    socket_t fd = ConnectSocket(c, options.Host, port);
    {
        const std::lock_guard lock(c.fdMutex);
        c.socketFd = fd;
        c.interruptFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    }
    if (c.interrupted) {
        Fail(Kind::Transient, U("SFTP の接続は操作の途中で切断されました。"));
    }
    ssh_options_set(c.session, SSH_OPTIONS_FD, &fd);
    if (ssh_connect(c.session) != SSH_OK) {
        Fail(Kind::Transient, U("SFTP サーバー %1 と SSH の接続を確立できません: %2")
                                  .arg(Text(options.Host), c.SshReason()));
    }
    c.activity++;

    ssh_key key = nullptr;
    if (ssh_get_server_publickey(c.session, &key) != SSH_OK) {
        FailLost(c);
    }
    HostKey result;
    unsigned char* hash = nullptr;
    std::size_t hashLength = 0;
    if (ssh_get_publickey_hash(key, SSH_PUBLICKEY_HASH_SHA256, &hash, &hashLength) == 0) {
        if (char* text = ssh_get_fingerprint_hash(SSH_PUBLICKEY_HASH_SHA256, hash, hashLength)) {
            result.fingerprint = text;
            ssh_string_free_char(text);
        }
        ssh_clean_pubkey_hash(&hash);
    }
    if (const char* type = ssh_key_type_to_char(ssh_key_type(key))) {
        result.type = type;
    }
    ssh_key_free(key);
    if (result.fingerprint.empty()) {
        Fail(Kind::Trust, U("SFTP サーバー %1 のホスト鍵を読めません。").arg(Text(options.Host)));
    }
    switch (ssh_session_is_known_server(c.session)) {
        case SSH_KNOWN_HOSTS_OK:
            result.verdict = KnownHostsVerdict::Match;
            break;
        case SSH_KNOWN_HOSTS_CHANGED:
        case SSH_KNOWN_HOSTS_OTHER:  // known with a key of another type only
            result.verdict = KnownHostsVerdict::Changed;
            break;
        default:
            result.verdict = KnownHostsVerdict::Unknown;
            break;
    }
    return result;
}

// Refuses to ask for a passphrase: a key that needs one we do not have is skipped.
int NoPassphrase(const char*, char*, std::size_t, int, int, void*) {
    return -1;
}

// The outcome of one method; an error of the connection itself ends the login.
bool Succeeded(const Connection& c, int rc) {
    if (rc == SSH_AUTH_ERROR) {
        FailLost(c);
    }
    return rc == SSH_AUTH_SUCCESS;
}

bool KeyboardInteractive(Connection& c, const std::string& password) {
    int rc = ssh_userauth_kbdint(c.session, nullptr, nullptr);
    for (int round = 0; rc == SSH_AUTH_INFO && round < kMaxInteractiveRounds; ++round) {
        const int prompts = ssh_userauth_kbdint_getnprompts(c.session);
        for (int i = 0; i < prompts; ++i) {
            char echo = 0;
            ssh_userauth_kbdint_getprompt(c.session, static_cast<unsigned int>(i), &echo);
            // Hidden prompts ask for the password; anything shown as typed is not ours.
            ssh_userauth_kbdint_setanswer(c.session, static_cast<unsigned int>(i),
                                          echo != 0 ? "" : password.c_str());
        }
        rc = ssh_userauth_kbdint(c.session, nullptr, nullptr);
    }
    return Succeeded(c, rc);
}

bool DefaultKey(Connection& c, const std::string& path, const std::string& passphrase) {
    if (::access(path.c_str(), R_OK) != 0) {
        return false;
    }
    ssh_key key = nullptr;
    if (ssh_pki_import_privkey_file(path.c_str(), passphrase.empty() ? nullptr : passphrase.c_str(),
                                    NoPassphrase, nullptr, &key) != SSH_OK) {
        return false;
    }
    const int rc = ssh_userauth_publickey(c.session, nullptr, key);
    ssh_key_free(key);
    return Succeeded(c, rc);
}

// Logs in; the text names the method that worked.
QString Authenticate(Connection& c, const ConnectionOptions& options) {
    ssh_options_set(c.session, SSH_OPTIONS_USER, options.UserID.c_str());
    if (Succeeded(c, ssh_userauth_none(c.session, nullptr))) {
        return U("認証なし");
    }
    c.activity++;
    const int methods = ssh_userauth_list(c.session, nullptr);
    const std::string& password = options.Password;
    if (!password.empty()) {
        if ((methods & SSH_AUTH_METHOD_PASSWORD) != 0 &&
            Succeeded(c, ssh_userauth_password(c.session, nullptr, password.c_str()))) {
            return U("パスワード");
        }
        if ((methods & SSH_AUTH_METHOD_INTERACTIVE) != 0 && KeyboardInteractive(c, password)) {
            return U("キーボード対話 (パスワード)");
        }
    } else if ((methods & SSH_AUTH_METHOD_PUBLICKEY) != 0 &&
               Succeeded(c, ssh_userauth_agent(c.session, nullptr))) {
        return U("SSH エージェントの鍵");
    }
    c.activity++;
    if ((methods & SSH_AUTH_METHOD_PUBLICKEY) != 0) {
        const std::string folder = options.SshFolder.empty() ? HomeSshFolder() : options.SshFolder;
        for (const char* name : kDefaultKeys) {
            if (DefaultKey(c, folder + "/" + name, password)) {
                return U("鍵 %1").arg(U(name));
            }
        }
    }
    Fail(Kind::Final,
         U("SFTP サーバーにユーザー %1 としてログインできません: %2")
             .arg(Text(options.UserID),
                  password.empty() ? U("SSH エージェントの鍵も既定の鍵も受け付けられませんでした。")
                                   : U("パスワードが受け付けられませんでした。")));
}

void OpenSftp(Connection& c) {
    c.sftp = sftp_new(c.session);
    if (c.sftp == nullptr) {
        FailLost(c);
    }
    if (sftp_init(c.sftp) != SSH_OK) {
        Fail(Kind::Final, U("SFTP サーバーの SFTP を開始できません: %1").arg(c.SshReason()));
    }
    c.posixRename = sftp_extension_supported(c.sftp, "posix-rename@openssh.com", "1") != 0;
    char* home = sftp_canonicalize_path(c.sftp, ".");
    if (home == nullptr) {
        FailRequest(c, U("ログインしたフォルダがわかりません"));
    }
    c.home = home;
    ssh_string_free_char(home);
    c.current = c.home;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

bool IsFolder(const sftp_attributes attributes) {
    return attributes->type == SSH_FILEXFER_TYPE_DIRECTORY;
}

void ChangeFolder(Connection& c, const std::string& folder) {
    const std::string target = folder.front() == '/' ? folder : JoinPath(c.current, folder);
    char* resolved = sftp_canonicalize_path(c.sftp, target.c_str());
    if (resolved == nullptr) {
        FailRequest(c, U("フォルダ %1 に移れません").arg(Text(folder)));
    }
    const std::string path = resolved;
    ssh_string_free_char(resolved);
    sftp_attributes attributes = sftp_stat(c.sftp, path.c_str());
    if (attributes == nullptr) {
        FailRequest(c, U("フォルダ %1 に移れません").arg(Text(folder)));
    }
    const bool isFolder = IsFolder(attributes);
    sftp_attributes_free(attributes);
    if (!isFolder) {
        Fail(Kind::Final, U("%1 はフォルダではありません。").arg(Text(folder)));
    }
    c.current = path;
}

// The size the server reports for a file, checked against the size sent.
void CheckSize(Connection& c, const std::string& path, const std::string& name,
               std::int64_t expected) {
    sftp_attributes attributes = sftp_stat(c.sftp, path.c_str());
    if (attributes == nullptr) {
        FailRequest(c, U("%1 の大きさを確かめられません").arg(Text(name)));
    }
    const std::uint64_t size = attributes->size;
    sftp_attributes_free(attributes);
    if (size != static_cast<std::uint64_t>(expected)) {
        Fail(Kind::Final, U("%1 のサイズが合いません: %2 バイト送りましたが、サーバーでは %3 "
                            "バイトです。")
                              .arg(Text(name))
                              .arg(expected)
                              .arg(size));
    }
}

// Renames the sent file over the final name: atomically where the server offers
// posix-rename, else by removing the old file when a plain rename refuses to replace it.
void RenameIntoPlace(Connection& c, const std::string& from, const std::string& to,
                     const std::string& name) {
    const QString what = U("%1 の名前を変えられません").arg(Text(name));
    if (c.posixRename) {
        if (const auto refused = PosixRename(c.sftp, from, to)) {
            if (!c.Alive()) {
                FailLost(c);
            }
            Fail(Kind::Final, U("%1: %2").arg(what, QString::fromUtf8(*refused)));
        }
        return;
    }
    if (sftp_rename(c.sftp, from.c_str(), to.c_str()) == 0) {
        return;
    }
    sftp_attributes existing = sftp_lstat(c.sftp, to.c_str());
    if (existing == nullptr) {
        FailRequest(c, what);
    }
    const bool isFolder = IsFolder(existing);
    sftp_attributes_free(existing);
    if (isFolder) {
        Fail(Kind::Final, U("%1: 同じ名前のフォルダがあります。").arg(what));
    }
    if (sftp_unlink(c.sftp, to.c_str()) != 0 ||
        sftp_rename(c.sftp, from.c_str(), to.c_str()) != 0) {
        FailRequest(c, what);
    }
    c.replacedByRemoval = true;
}

struct LocalFile {
    int fd = -1;
    std::int64_t size = 0;
    ~LocalFile() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
};

void SendFile(Connection& c, LocalFile& local, const std::string& localPath,
              const std::string& name) {
    const std::string temp = JoinPath(c.current, "." + name + std::string(kTempSuffix));
    const std::string final = JoinPath(c.current, name);
    sftp_file remote = sftp_open(c.sftp, temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (remote == nullptr) {
        FailRequest(c, U("%1 をサーバーに書き込めません").arg(Text(name)));
    }
    try {
        std::vector<char> buffer(kWriteChunk);
        std::int64_t total = 0;
        while (total < local.size) {
            const auto want =
                static_cast<std::size_t>(std::min<std::int64_t>(local.size - total, kWriteChunk));
            const ssize_t got = ::read(local.fd, buffer.data(), want);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                const QString reason = got < 0 ? SystemReason(errno) : U("送信中に短くなりました");
                Fail(Kind::Final,
                     Text(FileError(FileError::Operation::Read, localPath, ToShiftJis(reason))
                              .what()));
            }
            if (sftp_write(remote, buffer.data(), static_cast<std::size_t>(got)) != got) {
                FailRequest(c, U("%1 をサーバーに書き込めません").arg(Text(name)));
            }
            total += got;
            c.sent = total;
            c.activity++;
        }
        const int closed = sftp_close(remote);
        remote = nullptr;
        if (closed != 0) {
            FailRequest(c, U("%1 をサーバーに書き込めません").arg(Text(name)));
        }
        // Checked before the rename, so that a short file never replaces a good one.
        CheckSize(c, temp, name, local.size);
        RenameIntoPlace(c, temp, final, name);
        CheckSize(c, final, name, local.size);
    } catch (...) {
        if (remote != nullptr) {
            sftp_close(remote);
        }
        if (c.Alive()) {
            sftp_unlink(c.sftp, temp.c_str());
        }
        throw;
    }
}

bool HasBadName(const std::string& name) {
    return name.empty() || name == "." || name == ".." ||
           name.find_first_of(std::string_view("/\0", 2)) != std::string::npos;
}

}  // namespace

struct SftpClient::Impl {
    explicit Impl(SftpClient& client) : self(client) {}

    SftpClient& self;
    std::shared_ptr<Connection> connection;
    bool busy = false;
    bool disconnectRequested = false;

    int Port() const { return self.Options.Port == 0 ? kDefaultPort : self.Options.Port; }

    // Runs `call` off this thread on `c` and waits; a failure becomes an UploadError, and a
    // lost or stalled connection is dropped.
    void Run(const std::shared_ptr<Connection>& c, const std::function<void()>& call,
             const std::function<void()>& tick = {},
             std::optional<std::chrono::milliseconds> limit = std::nullopt) {
        if (busy) {
            throw UploadError(Kind::Final,
                              ToShiftJis(U("SFTP の操作の途中で、別の操作が呼ばれました。")));
        }
        busy = true;
        disconnectRequested = false;
        std::exception_ptr tickError;
        OffThreadWait wait;
        wait.stallLimit = limit.value_or(self.Options.StallLimit);
        wait.interrupt = [c] { c->Interrupt(); };
        wait.tick = [&] {
            if (!tick || tickError) {
                return;
            }
            try {
                tick();
            } catch (...) {
                tickError = std::current_exception();
                c->Interrupt();
            }
        };
        OffThreadEnd end = OffThreadEnd::Done;
        std::optional<UploadError> error;
        try {
            end = RunOffThread([c, call] { call(); }, c->activity, wait);
        } catch (const Failure& failure) {
            error.emplace(failure.kind, ToShiftJis(failure.message));
        } catch (const std::exception& other) {
            error.emplace(Kind::Final, other.what());
        }
        busy = false;
        if (tickError) {
            Drop(c);
            std::rethrow_exception(tickError);
        }
        if (disconnectRequested) {
            Drop(c);
            throw UploadError(Kind::Transient,
                              ToShiftJis(U("SFTP の接続は操作の途中で切断されました。")));
        }
        if (end != OffThreadEnd::Done) {
            Drop(c);
            throw UploadError(
                Kind::Transient,
                ToShiftJis(
                    U("SFTP サーバーとの通信が %1 秒止まったため、接続を閉じました。")
                        .arg(std::chrono::ceil<std::chrono::seconds>(wait.stallLimit).count())));
        }
        if (error) {
            if (error->GetKind() != Kind::Final || !c->Alive()) {
                Drop(c);
            }
            throw *error;
        }
    }

    void Drop(const std::shared_ptr<Connection>& c) {
        c->Interrupt();
        if (connection == c) {
            connection.reset();
        }
    }

    void Close() {
        const std::shared_ptr<Connection> c = std::move(connection);
        if (c == nullptr) {
            return;
        }
        try {
            Run(
                c, [c] { c->Close(); }, {}, std::min(kCloseLimit, self.Options.StallLimit));
        } catch (const UploadError&) {
            // Closing is best effort; the connection is gone either way.
        }
    }

    // Connects and reads the host key; the connection is kept as `connection`.
    ServerIdentity Open(TrustDecision& decision) {
        if (busy) {
            throw UploadError(Kind::Final,
                              ToShiftJis(U("SFTP の操作の途中で、別の操作が呼ばれました。")));
        }
        if (self.Options.Host.empty()) {
            throw UploadError(Kind::Final, ToShiftJis(U("SFTP サーバーのホスト名が空です。")));
        }
        if (Port() < 1 || Port() > 65535) {
            throw UploadError(Kind::Final,
                              ToShiftJis(U("SFTP のポート番号 %1 は使えません。").arg(Port())));
        }
        Close();
        auto c = std::make_shared<Connection>();
        connection = c;
        auto key = std::make_shared<HostKey>();
        const ConnectionOptions options = self.Options;
        const int port = Port();
        Run(c, [c, key, options, port] { *key = OpenAndReadKey(*c, options, port); });

        ServerIdentity identity;
        identity.Fingerprint = key->fingerprint;
        QString where = Text(options.Host);
        if (port != kDefaultPort) {
            where += U(" (ポート %1)").arg(port);
        }
        identity.Description = ToShiftJis(
            U("SSH サーバー: %1\nホスト鍵の種類: %2").arg(where, QString::fromUtf8(key->type)));
        decision = DecideHostKeyTrust(key->verdict, key->fingerprint, options.Fingerprint);
        identity.Changed = decision == TrustDecision::Refuse;
        identity.Trusted = decision == TrustDecision::Accept;
        return identity;
    }

    void Note(const QString& text) const {
        if (self.OnNote) {
            self.OnNote(ToShiftJis(text));
        }
    }
};

SftpClient::SftpClient() : impl_(std::make_unique<Impl>(*this)) {}

SftpClient::~SftpClient() {
    if (impl_->connection != nullptr) {
        impl_->connection->Interrupt();
    }
}

void SftpClient::Connect() {
    TrustDecision decision = TrustDecision::Ask;
    const ServerIdentity identity = impl_->Open(decision);
    const QString host = Text(Options.Host);
    const QString fingerprint = QString::fromUtf8(identity.Fingerprint);
    if (decision == TrustDecision::Refuse) {
        impl_->Close();
        throw UploadError(Kind::Trust,
                          ToShiftJis(U("警告: SFTP サーバー %1 のホスト鍵が変わりました。"
                                       "別のサーバーがなりすましている恐れがあるため、接続しませ"
                                       "ん。\n新しいホスト鍵の指紋: %2")
                                         .arg(host, fingerprint)),
                          identity);
    }
    if (decision == TrustDecision::Ask) {
        bool accepted = false;
        try {
            accepted = OnUntrustedIdentity && OnUntrustedIdentity(identity);
        } catch (...) {
            impl_->Close();
            throw;
        }
        if (!accepted) {
            impl_->Close();
            throw UploadError(Kind::Trust,
                              ToShiftJis(U("SFTP サーバー %1 のホスト鍵は信頼されていません。\n"
                                           "ホスト鍵の指紋: %2")
                                             .arg(host, fingerprint)),
                              identity);
        }
    }
    const std::shared_ptr<Connection> c = impl_->connection;
    if (c == nullptr) {  // a handler disconnected while the question was open
        throw UploadError(Kind::Transient,
                          ToShiftJis(U("SFTP の接続は操作の途中で切断されました。")));
    }
    auto method = std::make_shared<QString>();
    const ConnectionOptions options = Options;
    impl_->Run(c, [c, method, options] {
        *method = Authenticate(*c, options);
        OpenSftp(*c);
    });
    impl_->Note(U("SFTP サーバーに %1 でログインしました。").arg(*method));
}

ServerIdentity SftpClient::FetchIdentity() {
    TrustDecision decision = TrustDecision::Ask;
    ServerIdentity identity = impl_->Open(decision);
    impl_->Close();
    return identity;
}

void SftpClient::ChangeDir(const std::string& folder) {
    const std::shared_ptr<Connection> c = impl_->connection;
    if (c == nullptr || c->sftp == nullptr) {
        throw UploadError(Kind::Transient, ToShiftJis(U("SFTP サーバーに接続していません。")));
    }
    if (folder.find('\0') != std::string::npos) {
        throw UploadError(Kind::Final, ToShiftJis(U("フォルダ名に NUL 文字が含まれています。")));
    }
    if (folder.empty()) {
        return;
    }
    impl_->Run(c, [c, folder] { ChangeFolder(*c, folder); });
}

PutResult SftpClient::Put(const std::string& localPath, const std::string& remoteName) {
    const std::shared_ptr<Connection> c = impl_->connection;
    if (c == nullptr || c->sftp == nullptr) {
        throw UploadError(Kind::Transient, ToShiftJis(U("SFTP サーバーに接続していません。")));
    }
    if (HasBadName(remoteName)) {
        throw UploadError(
            Kind::Final,
            ToShiftJis(U("サーバーに送るファイル名 %1 は使えません。").arg(Text(remoteName))));
    }
    auto local = std::make_shared<LocalFile>();
    // Non-blocking, so that a FIFO or a device cannot hold the open; it is refused below.
    local->fd = ::open(NativePath(localPath).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (local->fd < 0 || ::fstat(local->fd, &status) != 0) {
        throw UploadError(Kind::Final, FileError(FileError::Operation::Read, localPath,
                                                 ToShiftJis(SystemReason(errno)))
                                           .what());
    }
    if (!S_ISREG(status.st_mode)) {
        throw UploadError(Kind::Final, FileError(FileError::Operation::Read, localPath,
                                                 ToShiftJis(U("通常のファイルではありません。")))
                                           .what());
    }
    local->size = status.st_size;

    c->sent = 0;
    c->replacedByRemoval = false;
    std::int64_t reported = 0;
    const auto report = [&] {
        const std::int64_t sent = c->sent;
        // The whole size is reported once, after the check.
        if (OnProgress && sent != reported && sent < local->size) {
            reported = sent;
            OnProgress(sent);
        }
    };
    impl_->Run(
        c, [c, local, localPath, remoteName] { SendFile(*c, *local, localPath, remoteName); },
        report);
    if (c->replacedByRemoval && !c->removalNoted) {
        c->removalNoted = true;
        impl_->Note(U("サーバーが上書きの名前変更に対応していないため、古い %1 を消してから名前を"
                      "変えました。")
                        .arg(Text(remoteName)));
    }
    if (OnProgress) {
        OnProgress(local->size);
    }
    PutResult result;
    result.Check = CheckResult::Size;
    return result;
}

void SftpClient::Disconnect() {
    if (impl_->busy) {
        impl_->disconnectRequested = true;
        if (impl_->connection != nullptr) {
            impl_->connection->Interrupt();
        }
        return;
    }
    impl_->Close();
}

bool SftpClient::IsConnected() const {
    const std::shared_ptr<Connection>& c = impl_->connection;
    return c != nullptr && c->sftp != nullptr && !c->interrupted;
}

std::string SftpClient::CurrentFolder() const {
    return IsConnected() ? impl_->connection->current : std::string();
}

}  // namespace Sumirel

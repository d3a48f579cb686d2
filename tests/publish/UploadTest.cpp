#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <memory>

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include "platform/FileIO.h"
#include "platform/IniFile.h"
#include "platform/qt/FtpClient.h"
#include "platform/qt/ShiftJisCodec.h"
#include "platform/qt/UploadClient.h"
#include "platform/ssh/SftpClient.h"
#include "platform/widgets/SumirelApplication.h"
#include "platform_ssh/SshServers.h"
#include "publish/UploadMessages.h"
#include "publish/UploadSequence.h"
#include "publish/UploadSetup.h"
#include "publish/window/UpdateUnit.h"
#include "settings/Scramble.h"
#include "shell/Unit1.h"
#include "support/FakeDialUp.h"
#include "support/FakeDialogs.h"
#include "support/FtpServer.h"
#include "support/MessageCheck.h"
#include "support/TempDir.h"
#include "support/TestCertificates.h"

using Sumirel::TUpdateForm;
using SumirelTest::FtpServer;
using SumirelTest::ReadBytes;

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The log lines as text, for comparing with expected ones.
QStringList Log(const TUpdateForm& form) {
    QStringList lines;
    for (const std::string& line : form.LogLines()) {
        lines << Sumirel::FromShiftJis(line);
    }
    return lines;
}

QString Sending(const std::string& path) {
    return U("ファイル ") + QString::fromStdString(path) + U(" を転送中");
}

const QString kConnecting = U("接続中");
const QString kConnected = U("接続完了");
const QString kSent = U("転送完了");
const QString kFailed = U("失敗");
const QString kTlsNote = U("TLS (TLS 1.3) で暗号化して接続しました。");
const QString kChecked = U("確認: サーバー上の大きさが一致しました");
const QString kNotChecked = U("未確認: サーバーが大きさもハッシュも答えないため、確認していません");

// The log without the reason that follows 失敗 (its text is the server's or the system's,
// perhaps on more than one line); the reason must be there and say something.
QStringList WithoutReason(QStringList lines) {
    const qsizetype failed = lines.lastIndexOf(kFailed);
    if (failed >= 0) {
        const QString reason = lines.mid(failed + 1).join('\n').trimmed();
        lines = lines.mid(0, failed + 1);
        if (reason.isEmpty()) {
            lines << "<no reason>";
        }
    }
    return lines;
}

// Runs the window's modal loop; a window that stays open after a failure is closed with its
// button, as the user would once they have read why.
void Exec(TUpdateForm& form) {
    QTimer closer;
    closer.setInterval(50);
    QObject::connect(&closer, &QTimer::timeout, &form, [&form] {
        if (form.Button1->text() == U("閉じる")) {
            form.Button1->click();
        }
    });
    closer.start();
    form.exec();
}

}  // namespace

class UploadTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SumirelTest::TempDir> local;
    std::unique_ptr<Sumirel::FtpClient> ftp;
    std::unique_ptr<SumirelTest::FakeDialUp> dial;

    std::string Local(const std::string& name, const std::string& bytes) {
        const auto path = local->Path() / name;
        std::filesystem::create_directories(path.parent_path());
        return local->Write(std::filesystem::relative(path, local->Path()).string(), bytes);
    }

    void Aim(const FtpServer& server, const std::string& user = "writer",
             const std::string& password = "secret") {
        ftp->Host = "127.0.0.1";
        ftp->Port = server.Port();
        ftp->UserID = user;
        ftp->Password = password;
    }

    // A window set up as the menu command sets it up.
    std::unique_ptr<TUpdateForm> Window(std::vector<std::string> files, std::string remoteDir = {},
                                        bool dialUp = false, bool hangUp = false) {
        auto form = std::make_unique<TUpdateForm>();
        form->SendFiles = std::move(files);
        form->RemoteDir = std::move(remoteDir);
        form->FtpClient_ = ftp.get();
        form->DialUpLink = dial.get();
        form->UseDialUp = dialUp;
        form->HangUpAfter = hangUp;
        form->BindDialUp(dial.get());
        return form;
    }

    // The server reads slowly enough that a file takes a few seconds to send, so Cancel
    // surely lands while it is on its way.
    static FtpServer::Options Throttled() {
        FtpServer::Options options;
        options.throttle = 256 * 1024;
        return options;
    }
    static const std::string& BigFile() {
        static const std::string bytes(768 * 1024, 'x');
        return bytes;
    }

    static std::string Remote(const FtpServer& server, const std::string& name) {
        return ReadBytes((server.Root() / name).string());
    }

private slots:
    void init() {
        local = std::make_unique<SumirelTest::TempDir>();
        ftp = std::make_unique<Sumirel::FtpClient>();
        dial = std::make_unique<SumirelTest::FakeDialUp>();
    }
    void cleanup() {
        dial.reset();
        ftp.reset();
        local.reset();
    }

    void remoteNameIsTheLastPart_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("remote");
        QTest::newRow("full path") << "/home/u/site/index.html"
                                   << "index.html";
        QTest::newRow("relative") << "out/Diary.html"
                                  << "Diary.html";
        QTest::newRow("bare name") << "Diary.html"
                                   << "Diary.html";
        QTest::newRow("folder only") << "site/"
                                     << "";
    }
    void remoteNameIsTheLastPart() {
        QFETCH(QString, path);
        QFETCH(QString, remote);
        QCOMPARE(QString::fromStdString(Sumirel::RemoteName(path.toStdString())), remote);
    }

    void sendsEveryFileInOrderAndClosesItself_data() {
        QTest::addColumn<QString>("remoteDir");
        QTest::newRow("login folder") << "";
        QTest::newRow("DefaultDir") << "site";
    }
    void sendsEveryFileInOrderAndClosesItself() {
        QFETCH(QString, remoteDir);
        FtpServer server;
        std::filesystem::create_directory(server.Root() / "site");
        Aim(server);
        const std::string a = Local("a/index.html", "<p>a</p>\r\n");
        const std::string b = Local("b/other.html", std::string("bin\0\r\n\n", 7));
        const std::string page = Local("Diary.html", "<p>page</p>\n");
        auto form = Window({a, b, page}, remoteDir.toStdString());
        Exec(*form);
        QStringList expected{kConnecting, kConnected};
        if (!remoteDir.isEmpty()) {
            expected << remoteDir + U("へ変更") << U("ディレクトリ変更完了");
        }
        expected << Sending(a) << kSent << kChecked << Sending(b) << kSent << kChecked
                 << Sending(page) << kSent << kChecked;
        QCOMPARE(Log(*form), expected);
        QVERIFY(!form->Aborted);
        const auto folder = server.Root() / remoteDir.toStdString();
        QCOMPARE(ReadBytes((folder / "index.html").string()), std::string("<p>a</p>\r\n"));
        QCOMPARE(ReadBytes((folder / "other.html").string()), std::string("bin\0\r\n\n", 7));
        QCOMPARE(ReadBytes((folder / "Diary.html").string()), std::string("<p>page</p>\n"));
    }

    void sameNameTwiceStoresTheLaterOne() {
        FtpServer server;
        Aim(server);
        const std::string first = Local("one/index.html", "first");
        const std::string second = Local("two/index.html", "second");
        auto form = Window({first, second});
        Exec(*form);
        QCOMPARE(Remote(server, "index.html"), std::string("second"));
    }

    void failuresEndWithFailed_data() {
        QTest::addColumn<QString>("scenario");
        QTest::newRow("wrong password") << "password";
        QTest::newRow("missing remote folder") << "folder";
        QTest::newRow("missing local file in the middle") << "local";
        QTest::newRow("refused STOR") << "reader";
    }
    void failuresEndWithFailed() {
        QFETCH(QString, scenario);
        FtpServer server;
        Aim(server, scenario == "reader" ? "reader" : "writer",
            scenario == "password" ? "wrong" : "secret");
        const std::string a = Local("a.html", "a");
        const std::string missing = (local->Path() / "missing.html").string();
        const std::string page = Local("Diary.html", "page");
        std::vector<std::string> files{a, page};
        if (scenario == "local") {
            files = {a, missing, page};
        }
        auto form = Window(files, scenario == "folder" ? "nowhere" : "");
        Exec(*form);
        QStringList expected{kConnecting};
        if (scenario == "folder") {
            expected << kConnected << U("nowhereへ変更");
        } else if (scenario == "local") {
            expected << kConnected << Sending(a) << kSent << kChecked << Sending(missing);
        } else if (scenario == "reader") {
            expected << kConnected << Sending(a);
        }
        expected << kFailed;
        QCOMPARE(WithoutReason(Log(*form)), expected);
        QVERIFY(form->Aborted);
        QVERIFY(!form->Succeeded);
        QCOMPARE(Remote(server, "a.html"), scenario == "local" ? std::string("a") : "<missing>");
        QCOMPARE(Remote(server, "Diary.html"), std::string("<missing>"));
    }

    void cancelDuringMiddleFileStopsBeforeTheNext() {
        FtpServer server(Throttled());
        Aim(server);
        const std::string big = BigFile();
        const std::string a = Local("a.html", "a");
        const std::string b = Local("b.html", big);
        const std::string page = Local("Diary.html", "page");
        auto form = Window({a, b, page});
        // Cancel once the second file is on its way: the click is handled inside the
        // client's wait.
        connect(form->Memo, &QPlainTextEdit::textChanged, form.get(), [&] {
            if (form->Memo->toPlainText().endsWith(Sending(b))) {
                QTimer::singleShot(300, form->Button1, &QPushButton::click);
            }
        });
        Exec(*form);
        QCOMPARE(Log(*form),
                 (QStringList{kConnecting, kConnected, Sending(a), kSent, kChecked, Sending(b),
                              kSent, kChecked, Sending(page), kFailed, U("キャンセルされました")}));
        QCOMPARE(Remote(server, "b.html"), big);
        QCOMPARE(Remote(server, "a.html"), std::string("a"));
        QCOMPARE(Remote(server, "Diary.html"), std::string("<missing>"));
    }

    void cancelDuringLastFileEndsNormally() {
        FtpServer server(Throttled());
        Aim(server);
        const std::string page = Local("Diary.html", BigFile());
        auto form = Window({page});
        connect(form->Memo, &QPlainTextEdit::textChanged, form.get(), [&] {
            if (form->Memo->toPlainText().endsWith(Sending(page))) {
                QTimer::singleShot(300, form->Button1, &QPushButton::click);
            }
        });
        Exec(*form);
        QCOMPARE(Log(*form),
                 (QStringList{kConnecting, kConnected, Sending(page), kSent, kChecked}));
        QCOMPARE(Remote(server, "Diary.html"), BigFile());
    }

    void silentServerFailsAtTheStallLimit() {
        FtpServer::Options options;
        options.silent = true;
        FtpServer server(options);
        Aim(server);
        ftp->SetStallLimit(std::chrono::milliseconds(1000));
        auto form = Window({Local("Diary.html", "page")});
        Exec(*form);
        QCOMPARE(WithoutReason(Log(*form)), (QStringList{kConnecting, kFailed}));
    }

    void dialUpThenTransfer_data() {
        QTest::addColumn<bool>("hangUp");
        QTest::newRow("hang up after") << true;
        QTest::newRow("stay connected") << false;
    }
    void dialUpThenTransfer() {
        QFETCH(bool, hangUp);
        FtpServer server;
        Aim(server);
        dial->EntryName = "office";
        const std::string page = Local("Diary.html", "page");
        auto form = Window({page}, {}, true, hangUp);
        form->show();
        QTRY_COMPARE(Log(*form), QStringList{kConnecting});
        QCOMPARE(dial->calls, QStringList{"connect office"});
        QVERIFY(form->isVisible());
        dial->ReportConnected();
        QTRY_VERIFY(!form->isVisible());
        QCOMPARE(Log(*form),
                 (QStringList{kConnecting, kConnected, Sending(page), kSent, kChecked}));
        const QStringList calls =
            hangUp ? QStringList{"connect office", "disconnect"} : QStringList{"connect office"};
        QCOMPARE(dial->calls, calls);
        // A second notification starts nothing.
        dial->ReportConnected();
        QCOMPARE(Log(*form).size(), 5);
    }

    void hangUpWithoutDialUpNeverCallsTheDialer() {
        FtpServer server;
        Aim(server);
        auto form = Window({Local("Diary.html", "page")}, {}, false, true);
        Exec(*form);
        QVERIFY(dial->calls.isEmpty());
    }

    void dialThatCannotStartWaitsForCancel() {
        dial->failToStart = true;
        auto form = Window({Local("Diary.html", "page")}, {}, true, true);
        form->show();
        QTRY_COMPARE(WithoutReason(Log(*form)), (QStringList{kConnecting, kFailed}));
        QCOMPARE(dial->calls, (QStringList{"connect ", "disconnect"}));
        QVERIFY(form->isVisible());
        QCOMPARE(form->Button1->text(), U("閉じる"));
        QTest::mouseClick(form->Button1, Qt::LeftButton);
        QVERIFY(!form->isVisible());
    }

    void cancelWhileDiallingHangsUpAndSendsNothing() {
        FtpServer server;
        Aim(server);
        auto form = Window({Local("Diary.html", "page")}, {}, true, false);
        form->show();
        QTRY_COMPARE(Log(*form), QStringList{kConnecting});
        QTest::mouseClick(form->Button1, Qt::LeftButton);
        QVERIFY(!form->isVisible());
        QCOMPARE(dial->calls, (QStringList{"connect ", "disconnect"}));
        // A connection reported after Cancel must not start sending.
        dial->ReportConnected();
        QCOMPARE(Log(*form), QStringList{kConnecting});
        QCOMPARE(Remote(server, "Diary.html"), std::string("<missing>"));
    }

    // The set-up the window and sumirel-cli share: the client and the dial-up component get
    // the settings whether or not there is anything to send; targets go first, then the page.
    void setUpFromTheSettings_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("missing");
        QTest::newRow("nominal") << "ftp.example.jp"
                                 << "/www/Diary.html" << QString();
        QTest::newRow("no host") << ""
                                 << "/www/Diary.html"
                                 << "[FTP] HostName";
        QTest::newRow("no page") << "ftp.example.jp"
                                 << ""
                                 << "[Files] HtmlFileName";
    }

    void setUpFromTheSettings() {
        QFETCH(QString, host);
        QFETCH(QString, page);
        QFETCH(QString, missing);
        Sumirel::Settings settings;
        settings.HtmlFileName = page.toStdString();
        settings.OtherFiles = {"/www/index.html", "/www/top.html"};
        Sumirel::FTPSetting& ftp = settings.Ftp;
        ftp.HostName = host.toStdString();
        ftp.ID = "user";
        ftp.Pass = "pw";
        ftp.DefaultDir = "/public";
        ftp.Port = 2121;
        ftp.DialUp = ftp.QuitDialUp = true;
        ftp.DialEntryName = "Home";
        ftp.DialID = "dialer";
        ftp.DialPass = "dialpw";
        settings.Ftp.Protocol = "ftpes";
        settings.Ftp.Passive = false;
        settings.Ftp.Timeout = 0;
        settings.Feed.FileName = "/www/atom.xml";
        Sumirel::FtpClient client;
        SumirelTest::FakeDialUp dialUp;
        const Sumirel::UploadSetup setup = Sumirel::SetUpUpload(settings, client, &dialUp);
        QCOMPARE(QString::fromStdString(setup.Missing), missing);
        QCOMPARE(client.Host, host.toStdString());
        QCOMPARE(client.UserID, std::string("user"));
        QCOMPARE(client.Password, std::string("pw"));
        QCOMPARE(client.Port, 2121);
        QCOMPARE(dialUp.EntryName, std::string("Home"));
        QCOMPARE(dialUp.UserName, std::string("dialer"));
        QCOMPARE(dialUp.Password, std::string("dialpw"));
        QCOMPARE(setup.Plan.RemoteDir, std::string("/public"));
        // The feed goes up after the page whose entries it names.
        QCOMPARE(setup.Plan.SendFiles,
                 (std::vector<std::string>{"/www/index.html", "/www/top.html", page.toStdString(),
                                           "/www/atom.xml"}));
        QVERIFY(setup.Plan.UseDialUp && setup.Plan.HangUpAfter);
        const Sumirel::ConnectionOptions options = Sumirel::UploadConnection(settings.Ftp);
        QCOMPARE(options.Host, host.toStdString());
        QCOMPARE(options.Port, 2121);
        QVERIFY(options.Tls && !options.Passive);
        QCOMPARE(options.StallLimit, std::chrono::milliseconds(60000));
    }

    // The client follows Protocol whatever its case; SFTP takes SSH's port when the settings
    // give none (0, or the FTP port the table falls back on).
    void clientForTheProtocol_data() {
        QTest::addColumn<QString>("protocol");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("sftp");
        QTest::addColumn<int>("expectedPort");
        QTest::newRow("missing: FTP") << "" << 21 << false << 21;
        QTest::newRow("ftpes, any case") << "Ftpes" << 990 << false << 990;
        QTest::newRow("SFTP, Port missing") << "sftp" << 21 << true << 22;
        QTest::newRow("SFTP, Port 0") << "SFTP" << 0 << true << 22;
        QTest::newRow("SFTP, own port") << "SFTP" << 2222 << true << 2222;
        QTest::newRow("unknown") << "scp" << 21 << false << -1;
    }
    void clientForTheProtocol() {
        QFETCH(QString, protocol);
        QFETCH(int, port);
        QFETCH(bool, sftp);
        QFETCH(int, expectedPort);
        Sumirel::FTPSetting ftp;
        ftp.Protocol = protocol.toStdString();
        ftp.Port = port;
        if (expectedPort < 0) {
            QVERIFY_THROWS_EXCEPTION(Sumirel::UnknownProtocolError,
                                     Sumirel::CreateUploadClient(ftp));
            return;
        }
        const std::unique_ptr<Sumirel::UploadClient> client = Sumirel::CreateUploadClient(ftp);
        QCOMPARE(dynamic_cast<Sumirel::SftpClient*>(client.get()) != nullptr, sftp);
        QCOMPARE(Sumirel::UploadConnection(ftp).Port, expectedPort);
    }

    // Each file goes up under a temporary name beside its final one and is renamed over it.
    void filesAreRenamedIntoPlace() {
        FtpServer server;
        Aim(server);
        const std::string page = Local("Diary.html", "page");
        auto form = Window({page});
        Exec(*form);
        QVERIFY(form->Succeeded);
        QCOMPARE(Remote(server, "Diary.html"), std::string("page"));
        QCOMPARE(server.Files(), std::vector<std::string>{"Diary.html"});
        std::string temporary;
        QStringList order;
        for (const std::string& command : server.Commands()) {
            if (command.rfind("STOR ", 0) == 0) {
                temporary = command.substr(5);
                order << "STOR";
            } else if (command.rfind("RNFR ", 0) == 0) {
                QCOMPARE(command.substr(5), temporary);
                order << "RNFR";
            } else if (command == "RNTO Diary.html") {
                order << "RNTO";
            }
        }
        QVERIFY(!temporary.empty() && temporary != "Diary.html");
        QCOMPARE(order, (QStringList{"STOR", "RNFR", "RNTO"}));
    }

    // The server ends the session in the middle of the second file: it is sent once more on a
    // new connection, and the upload goes on.
    void droppedConnectionIsRetriedOnce() {
        FtpServer::Options options;
        options.dropAfter = 64 * 1024;
        FtpServer server(options);
        Aim(server);
        const std::string a = Local("a.html", "a");
        const std::string b = Local("b.html", BigFile());
        auto form = Window({a, b}, {});
        Exec(*form);
        const QStringList log = Log(*form);
        QVERIFY2(form->Succeeded, qPrintable(log.join('\n')));
        QCOMPARE(log.mid(0, 6),
                 (QStringList{kConnecting, kConnected, Sending(a), kSent, kChecked, Sending(b)}));
        QVERIFY(log[6].startsWith(U("新しい接続でもう一度送ります: ")));
        QCOMPARE(log.mid(7), (QStringList{kSent, kChecked}));
        QCOMPARE(Remote(server, "b.html"), BigFile());
        int logins = 0;
        for (const std::string& command : server.Commands()) {
            logins += command.rfind("USER ", 0) == 0 ? 1 : 0;
        }
        QCOMPARE(logins, 2);
    }

    // What arrived is not what was sent: the file fails with the server's size as its reason,
    // and nothing is left under the final or the temporary name.
    void sizeThatDisagreesFails() {
        FtpServer::Options options;
        options.wrongSize = true;
        FtpServer server(options);
        Aim(server);
        const std::string page = Local("Diary.html", "page");
        auto form = Window({page});
        Exec(*form);
        const QStringList log = Log(*form);
        QCOMPARE(log.mid(0, 4), (QStringList{kConnecting, kConnected, Sending(page), kFailed}));
        QCOMPARE(log.size(), 5);
        QVERIFY(!log[4].isEmpty());
        QVERIFY(form->isHidden());
        QCOMPARE(server.Files(), std::vector<std::string>{});
    }

    // A failure keeps the window open with its reason until the user closes it.
    void failureKeepsTheWindowOpenUntilClosed() {
        FtpServer server;
        Aim(server, "writer", "wrong");
        auto form = Window({Local("Diary.html", "page")});
        form->show();
        QTRY_COMPARE(form->Button1->text(), U("閉じる"));
        QCOMPARE(WithoutReason(Log(*form)), (QStringList{kConnecting, kFailed}));
        QTest::qWait(300);
        QVERIFY(form->isVisible());
        QTest::mouseClick(form->Button1, Qt::LeftButton);
        QVERIFY(!form->isVisible());
    }

    // The bar covers every byte of every file and reaches its end once, at the end.
    void progressReachesFullExactlyOnce() {
        FtpServer server(Throttled());
        Aim(server);
        const std::string a = Local("a.html", BigFile());
        const std::string page = Local("Diary.html", "page");
        auto form = Window({a, page});
        int full = 0;
        bool midway = false;
        connect(form->ProgressBar, &QProgressBar::valueChanged, form.get(), [&](int value) {
            full += value == form->ProgressBar->maximum() ? 1 : 0;
            midway = midway || (value > 0 && value < form->ProgressBar->maximum());
        });
        Exec(*form);
        QVERIFY(form->Succeeded);
        QCOMPARE(full, 1);
        QVERIFY(midway);
        QCOMPARE(form->ProgressBar->value(), form->ProgressBar->maximum());
        QVERIFY(form->ProgressLabel->text().startsWith("Diary.html"));
    }

    void trustQuestion_data() {
        QTest::addColumn<bool>("answer");
        QTest::newRow("yes: stored, upload goes on") << true;
        QTest::newRow("no: failed, nothing sent after the handshake") << false;
    }
    void trustQuestion() {
        QFETCH(bool, answer);
        SumirelTest::FakeDialogs dialogs;
        dialogs.answers = {answer};
        const std::string certificate = SumirelTest::Certificates().selfSigned;
        const std::string fingerprint = SumirelTest::TestCertificates::Fingerprint(certificate);
        FtpServer::Options options;
        options.tlsCertificate = certificate;
        FtpServer server(options);
        Aim(server);
        ftp->Options.Tls = true;
        Sumirel::IniFile ini(local->File("sumirel.ini"));
        ini.WriteString("FTP", "HostName", "127.0.0.1");
        const std::string page = Local("Diary.html", "page");
        auto form = Window({page});
        form->IniFileName = ini.FileName();
        Exec(*form);
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY(dialogs.shown[0].startsWith(U("ask[警告]:")));
        QVERIFY(dialogs.shown[0].contains(QString::fromStdString(fingerprint)));
        QVERIFY(dialogs.shown[0].contains(U("発行者")));
        const std::string stored = ini.ReadString("FTP", "Fingerprint", "");
        if (answer) {
            QVERIFY(form->Succeeded);
            QCOMPARE(stored, fingerprint);
            QCOMPARE(form->TrustedFingerprint, fingerprint);
            QCOMPARE(Remote(server, "Diary.html"), std::string("page"));
        } else {
            QCOMPARE(WithoutReason(Log(*form)), (QStringList{kConnecting, kTlsNote, kFailed}));
            QVERIFY(Log(*form).last().contains(QString::fromStdString(fingerprint)));
            QCOMPARE(stored, std::string());
            for (const std::string& command : server.Commands()) {
                QVERIFY2(command.rfind("USER", 0) != 0 && command.rfind("PASS", 0) != 0,
                         command.c_str());
            }
        }
    }

    // A certificate other than the trusted one is refused with a warning and never replaces
    // the stored fingerprint.
    void changedCertificateIsRefusedWithAWarning() {
        SumirelTest::FakeDialogs dialogs;
        const std::string trusted =
            SumirelTest::TestCertificates::Fingerprint(SumirelTest::Certificates().selfSigned);
        FtpServer::Options options;
        options.tlsCertificate = SumirelTest::Certificates().otherSelfSigned;
        FtpServer server(options);
        Aim(server);
        ftp->Options.Tls = true;
        ftp->Options.Fingerprint = trusted;
        Sumirel::IniFile ini(local->File("sumirel.ini"));
        ini.WriteString("FTP", "Fingerprint", trusted);
        auto form = Window({Local("Diary.html", "page")});
        form->IniFileName = ini.FileName();
        Exec(*form);
        QCOMPARE(WithoutReason(Log(*form)), (QStringList{kConnecting, kTlsNote, kFailed}));
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY(dialogs.shown[0].startsWith(U("error[警告]:")));
        QCOMPARE(ini.ReadString("FTP", "Fingerprint", ""), trusted);
    }

    // The same window, log and checks over SFTP: a password login to the paramiko server, a
    // key login to sshd with DefaultDir relative to the login folder.
    void sftpUploadThroughTheWindow_data() {
        QTest::addColumn<bool>("key");
        QTest::newRow("password, paramiko") << false;
        QTest::newRow("key, sshd") << true;
    }
    void sftpUploadThroughTheWindow() {
        QFETCH(bool, key);
        SumirelTest::TempDir home;
        Sumirel::SftpClient sftp;
        std::unique_ptr<SshTest::ParamikoSftpServer> paramiko;
        std::unique_ptr<SshTest::OpenSshServer> sshd;
        std::filesystem::path root;
        sftp.Options.Host = "127.0.0.1";
        sftp.Options.SshFolder = home.Path().string();
        if (key) {
            const SshTest::KeyPair clientKey = SshTest::MakeKey(home.File("id_ed25519"));
            SshTest::OpenSshServer::Options options;
            options.authorizedKeys = clientKey.publicLine + "\n";
            sshd = std::make_unique<SshTest::OpenSshServer>(options);
            sftp.Options.Port = sshd->Port();
            sftp.Options.UserID = SshTest::CurrentUser();
            sftp.Options.Fingerprint = sshd->HostKey().fingerprint;
            root = sshd->Root();
        } else {
            paramiko = std::make_unique<SshTest::ParamikoSftpServer>(
                SshTest::ParamikoSftpServer::Options{});
            sftp.Options.Port = paramiko->Port();
            sftp.Options.UserID = SshTest::ParamikoSftpServer::kUser;
            sftp.Options.Password = SshTest::ParamikoSftpServer::kPassword;
            sftp.Options.Fingerprint = paramiko->HostKey().fingerprint;
            root = paramiko->Root();
        }
        std::filesystem::create_directory(root / "site");
        const std::string page = Local("Diary.html", "page");
        auto form = Window({page}, "site");
        form->FtpClient_ = &sftp;
        Exec(*form);
        QStringList log = Log(*form);
        // The client's note of how it logged in, on a line of its own.
        QVERIFY(log.size() > 1 && log[1].contains(key ? U("鍵") : U("パスワード")));
        log.removeAt(1);
        QCOMPARE(log, (QStringList{kConnecting, kConnected, U("siteへ変更"),
                                   U("ディレクトリ変更完了"), Sending(page), kSent, kChecked}));
        QCOMPARE(ReadBytes((root / "site" / "Diary.html").string()), std::string("page"));
    }

    void everyLogLineIsShiftJis() {
        QCOMPARE(SumirelTest::MessagesNotConverted(Sumirel::UploadMessages::All()),
                 std::vector<std::string>{});
    }

    void menuCommandUploadsTargetsThenPage() {
        SumirelTest::FakeDialogs dialogs;
        FtpServer server;
        SumirelTest::TempDir dir;
        const std::string target = dir.Write("index.html", "target");
        const std::string page = dir.Write("Diary.html", "page");
        Sumirel::IniFile ini(dir.File("sumirel.ini"));
        ini.WriteString("Files", "HtmlFileName", page);
        ini.WriteString("Settings", "OtherFiles", target + "<");
        ini.WriteString("FTP", "ID", Sumirel::ScrambleText("writer"));
        ini.WriteString("FTP", "Pass", Sumirel::ScrambleText("secret"));
        ini.WriteInteger("FTP", "Port", server.Port());
        Sumirel::TSumirelForm form(
            [](QWidget* parent) { return Sumirel::CreatePreviewView(parent); },
            std::make_unique<SumirelTest::FakeDialUp>());

        // Without a host the command ends at once, with the client set all the same.
        form.LoadSettings(ini.FileName());
        form.FTPP1Click();
        QCOMPARE(form.FTP->Port, server.Port());
        QCOMPARE(Remote(server, "Diary.html"), std::string("<missing>"));

        ini.WriteString("FTP", "HostName", "127.0.0.1");
        form.LoadSettings(ini.FileName());
        form.FTPP1Click();
        QCOMPARE(Remote(server, "index.html"), std::string("target"));
        QCOMPARE(Remote(server, "Diary.html"), std::string("page"));
        QCOMPARE(form.FtpPort(), server.Port());
        QVERIFY(dialogs.shown.isEmpty());
        QVERIFY2(form.statusBar()->currentMessage().startsWith(U("2 ファイルを転送しました (")),
                 qPrintable(form.statusBar()->currentMessage()));
    }
};

int main(int argc, char** argv) {
    Sumirel::SumirelApplication app(argc, argv);
    UploadTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "UploadTest.moc"

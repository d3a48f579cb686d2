#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "platform/IniFile.h"
#include "settings/Scramble.h"
#include "settings/dialogs/FTPUnit.h"
#include "settings_dialogs/DialogFixture.h"
#include "support/FakeDialUp.h"
#include "support/LayoutCheck.h"

using Sumirel::IniFile;
using Sumirel::ScrambleText;
using Sumirel::TFTPSettingForm;
using SumirelTest::FakeDialUp;
using SumirelTest::ReadBytes;
using SumirelTest::Sjis;
using SumirelTest::U;

namespace {

std::vector<std::string> SjisList(const QStringList& names) {
    std::vector<std::string> list;
    for (const QString& name : names) {
        list.push_back(Sjis(name.toStdString()));
    }
    return list;
}

// The name of the control with the focus; the edit inside the combo box counts as the box.
QString FocusName() {
    QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<QComboBox*>(focus->parentWidget()) != nullptr) {
        focus = focus->parentWidget();
    }
    return focus->objectName();
}

// A certificate's fingerprint as openssl prints it, and an SSH host key's.
const char kCertificatePin[] =
    "AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:"
    "67:89";
const char kHostKeyPin[] = "SHA256:uNiVztksCsDhcc0u9e8BujQXVUpKZIDTMczCvj3tD2s";

// The designed client size with the connection group below it.
QSize DesignedSize(const TFTPSettingForm& form) {
    return QSize(246, 349 + form.ConnectGroupBox->sizeHint().height() + 4)
        .expandedTo(form.minimumSizeHint());
}

}  // namespace

class FTPSettingFormTest : public QObject, private SumirelTest::DialogFixture {
    Q_OBJECT

private:
    FakeDialUp ras;

    std::string Read(const char* key) const {
        return IniFile(ini).ReadString("FTP", key, "<none>");
    }

    // A dialog as the main window sets it up.
    std::unique_ptr<TFTPSettingForm> Form() {
        auto form = std::make_unique<TFTPSettingForm>(nullptr, ini);
        form->RasComponent = &ras;
        return form;
    }

    std::vector<QWidget*> DialUpControls(const TFTPSettingForm& form) {
        return {form.DialUpOffCheckBox, form.DialEntryComboBox, form.DialIDEdit, form.DialPassEdit};
    }

private slots:
    void init() {
        SetUp();
        ras.entries.clear();
        ras.listed = 0;
    }
    void cleanup() { TearDown(); }

    void openWithoutSettingsFile() {
        ras.entries = {"Home"};
        auto form = Form();
        form->DefaultPort = 2121;
        Open(*form);
        QCOMPARE(form->windowTitle(), U("FTP設定"));
        QCOMPARE(form->size(), DesignedSize(*form));
        for (const QLineEdit* edit : {form->HostNameEdit, form->IDEdit, form->PassEdit,
                                      form->DefaultDirEdit, form->DialIDEdit, form->DialPassEdit}) {
            QVERIFY(edit->text().isEmpty());
        }
        QCOMPARE(form->PortEdit->text(), QString("2121"));
        QVERIFY(!form->DialUpCheckBox->isChecked());
        QVERIFY(!form->DialUpOffCheckBox->isChecked());
        for (const QWidget* w : DialUpControls(*form)) {
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        }
        QCOMPARE(form->DialEntryComboBox->count(), 1);
        QCOMPARE(form->DialEntryComboBox->currentIndex(), -1);
        QCOMPARE(form->DialEntryComboBox->currentText(), QString());
        QCOMPARE(FocusName(), QString("HostNameEdit"));
        // The connection's defaults.
        QCOMPARE(form->ProtocolComboBox->currentText(), QString("FTP"));
        QCOMPARE(form->ProtocolComboBox->count(), 3);
        QVERIFY(form->PassiveCheckBox->isChecked() && form->PassiveCheckBox->isEnabled());
        QCOMPARE(form->TimeoutEdit->text(), QString("60"));
        QVERIFY(form->FingerprintEdit->toPlainText().isEmpty());
        QVERIFY(!form->ForgetButton->isEnabled());
        QVERIFY(form->FingerprintNote->isHidden());
        form->Button1->click();
        QCOMPARE(Read("Protocol"), std::string("FTP"));
        QCOMPARE(Read("Passive"), std::string("1"));
        QCOMPARE(Read("Fingerprint"), std::string());
        QCOMPARE(Read("Timeout"), std::string("60"));
    }

    void tabOrder() {
        dir->Write("sumirel.ini", "[FTP]\r\nDialUp=1\r\nFingerprint=AB:CD\r\n");
        auto form = Form();
        Open(*form);
        QStringList visited{FocusName()};
        for (int i = 0; i < 17; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << FocusName();
        }
        QCOMPARE(
            visited,
            QStringList({"HostNameEdit", "IDEdit", "PassEdit", "DefaultDirEdit", "PortEdit",
                         "DialUpCheckBox", "DialUpOffCheckBox", "DialEntryComboBox", "DialIDEdit",
                         "DialPassEdit", "ProtocolComboBox", "PassiveCheckBox", "TimeoutEdit",
                         "FingerprintEdit", "ForgetButton", "Button1", "Button2", "HostNameEdit"}));
    }

    void credentialsStoredScrambledShownPlain() {
        const struct {
            const char* key;
            QLineEdit* TFTPSettingForm::*edit;
            const char* plain;
        } credentials[] = {{"ID", &TFTPSettingForm::IDEdit, "user01"},
                           {"Pass", &TFTPSettingForm::PassEdit, " pa\"ss "},
                           {"DialID", &TFTPSettingForm::DialIDEdit, "ダイヤル"},
                           {"DialPass", &TFTPSettingForm::DialPassEdit, "秘密"}};
        {
            auto form = Form();
            Open(*form);
            form->HostNameEdit->setText("ftp.example.jp");
            form->DefaultDirEdit->setText(U("/日記"));
            for (const auto& c : credentials) {
                ((*form).*c.edit)->setText(U(c.plain));
            }
            form->Button1->click();
            QCOMPARE(form->result(), int(QDialog::Accepted));
        }
        QCOMPARE(Read("HostName"), std::string("ftp.example.jp"));
        QCOMPARE(Read("DefaultDir"), Sjis("/日記"));
        for (const auto& c : credentials) {
            QCOMPARE(Read(c.key), ScrambleText(Sjis(c.plain)));
        }

        auto form = Form();
        Open(*form);
        for (const auto& c : credentials) {
            QCOMPARE(((*form).*c.edit)->text(), U(c.plain));
        }
        QCOMPARE(form->PassEdit->displayText(), QString(7, QLatin1Char('*')));
        QCOMPARE(form->DialPassEdit->displayText(), QString("**"));
    }

    void storedEntrySelected_data() {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("index");
        QTest::newRow("same case") << QStringList{"Home", "Office"} << "Office" << 1;
        QTest::newRow("other letter case") << QStringList{"Home", "Office"} << "oFFICE" << 1;
        QTest::newRow("wide letters in other case")
            << QStringList{U("ＷｉＦｉ")} << U("ｗｉｆｉ") << 0;
        QTest::newRow("no longer in the phone book") << QStringList{"Home"} << "Office" << -1;
        QTest::newRow("empty phone book") << QStringList{} << "Office" << -1;
        // 0x83 0x41 and 0x83 0x61: the trail bytes look like "A" and "a".
        QTest::newRow("kana whose bytes differ in letter case")
            << QStringList{U("ア")} << U("ヂ") << -1;
    }

    void storedEntrySelected() {
        QFETCH(QStringList, entries);
        QFETCH(QString, stored);
        QFETCH(int, index);
        ras.entries = SjisList(entries);
        dir->Write("sumirel.ini", "[FTP]\r\nDialEntryName=" + Sjis(stored.toStdString()) + "\r\n");
        auto form = Form();
        Open(*form);
        QCOMPARE(form->DialEntryComboBox->count(), entries.size());
        QCOMPARE(form->DialEntryComboBox->currentIndex(), index);
        const QString shown = index < 0 ? QString() : entries[index];
        QCOMPARE(form->DialEntryComboBox->currentText(), shown);
        form->Button1->click();
        QCOMPARE(Read("DialEntryName"), Sjis(shown.toStdString()));
    }

    // A typed name is stored as typed; the list is read afresh at every opening.
    void typedEntryNameAndFreshPhoneBook() {
        ras.entries = {"Home"};
        {
            auto form = Form();
            Open(*form);
            form->DialUpCheckBox->click();
            QTest::keyClicks(form->DialEntryComboBox->lineEdit(), "Mobile");
            // Enter presses OK and adds nothing to the list.
            QTest::keyClick(form->DialEntryComboBox->lineEdit(), Qt::Key_Return);
            QCOMPARE(form->DialEntryComboBox->count(), 1);
            QVERIFY(!form->isVisible());
        }
        QCOMPARE(Read("DialEntryName"), std::string("Mobile"));
        {
            auto form = Form();
            Open(*form);
            QCOMPARE(form->DialEntryComboBox->currentText(), QString());
        }
        ras.entries = {"Home", "mobile"};
        auto form = Form();
        Open(*form);
        QCOMPARE(form->DialEntryComboBox->currentText(), QString("mobile"));
        QCOMPARE(ras.listed, 3);
    }

    void withoutDialUpComponent() {
        auto form = std::make_unique<TFTPSettingForm>(nullptr, ini);
        Open(*form);
        QCOMPARE(form->DialEntryComboBox->count(), 0);
        form->DialEntryComboBox->setEditText("Typed");
        form->Button1->click();
        QCOMPARE(Read("DialEntryName"), std::string("Typed"));
    }

    void port_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<int>("stored");
        QTest::newRow("dollar hexadecimal") << "$15" << true << 21;
        QTest::newRow("0x hexadecimal") << "0x15" << true << 21;
        QTest::newRow("blanks and sign") << "  -5" << true << -5;
        QTest::newRow("above 65535") << "70000" << true << 70000;
        QTest::newRow("letters") << "ftp" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("trailing letters") << "21a" << false << 0;
        QTest::newRow("beyond 32 bits") << "4294967317" << false << 0;
    }

    void port() {
        QFETCH(QString, typed);
        QFETCH(bool, whole);
        QFETCH(int, stored);
        const std::string before =
            "[FTP]\r\nHostName=old\r\nPort=99\r\nDialUp=0\r\nDialEntryName=Old\r\n";
        dir->Write("sumirel.ini", before);
        auto form = Form();
        Open(*form);
        form->HostNameEdit->setText("new");
        form->PortEdit->setText(typed);
        form->DialUpCheckBox->setChecked(true);
        form->DialEntryComboBox->setEditText("New");
        form->Button1->click();
        if (whole) {
            QVERIFY(!form->isVisible());
            QCOMPARE(IniFile(ini).ReadInteger("FTP", "Port", 0), stored);
            QCOMPARE(Read("DialUp"), std::string("1"));
            return;
        }
        QCOMPARE(dialogs->shown, QStringList{Error("'" + typed + U("' は整数ではありません"))});
        QVERIFY(form->isVisible());
        // No key is written, not even those before the port.
        QCOMPARE(ReadBytes(ini), before);
    }

    void dialUpControlsFollowCheckBox_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("off") << QByteArray("0") << false;
        QTest::newRow("on") << QByteArray("1") << true;
        QTest::newRow("other whole number") << QByteArray("2") << true;
        QTest::newRow("not a number") << QByteArray("yes") << false;
    }

    void dialUpControlsFollowCheckBox() {
        QFETCH(QByteArray, stored);
        QFETCH(bool, enabled);
        dir->Write("sumirel.ini", "[FTP]\r\nDialID=" + ScrambleText("me") +
                                      "\r\nDialUp=" + stored.toStdString() + "\r\n");
        auto form = Form();
        Open(*form);
        QCOMPARE(form->DialUpCheckBox->isChecked(), enabled);
        for (const bool expected : {enabled, !enabled, enabled}) {
            for (const QWidget* w : DialUpControls(*form)) {
                QVERIFY2(w->isEnabled() == expected, qPrintable(w->objectName()));
            }
            QVERIFY(form->Label6->isEnabled() && form->Label7->isEnabled());
            QCOMPARE(form->DialIDEdit->text(), QString("me"));
            form->DialUpCheckBox->click();
        }
    }

    void escapeCancelsFromEveryControl_data() {
        QTest::addColumn<QString>("control");
        for (const char* name :
             {"HostNameEdit", "IDEdit", "PassEdit", "DefaultDirEdit", "PortEdit", "DialUpCheckBox",
              "DialUpOffCheckBox", "DialEntryComboBox", "DialIDEdit", "DialPassEdit",
              "ProtocolComboBox", "PassiveCheckBox", "TimeoutEdit", "FingerprintEdit",
              "ForgetButton", "Button1", "Button2"}) {
            QTest::newRow(name) << QString(name);
        }
        QTest::newRow("the edit of the combo box") << QString();
    }

    void escapeCancelsFromEveryControl() {
        QFETCH(QString, control);
        const std::string before = "[FTP]\r\nDialUp=1\r\nFingerprint=AB:CD\r\n";
        dir->Write("sumirel.ini", before);
        auto form = Form();
        Open(*form);
        form->HostNameEdit->setText("changed");
        QWidget* widget = control.isEmpty() ? form->DialEntryComboBox->lineEdit()
                                            : form->findChild<QWidget*>(control);
        QVERIFY(widget != nullptr);
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Escape);
        QVERIFY(!form->isVisible());
        QCOMPARE(form->result(), int(QDialog::Rejected));
        QCOMPARE(ReadBytes(ini), before);
    }

    // Enter presses OK, the default button, from an edit or a check box; a button with the
    // focus presses itself.
    void enterPressesOk_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("result");
        for (const char* name : {"HostNameEdit", "PassEdit", "PortEdit", "DialUpCheckBox",
                                 "DialUpOffCheckBox", "DialPassEdit", "ProtocolComboBox",
                                 "PassiveCheckBox", "TimeoutEdit", "FingerprintEdit", "Button1"}) {
            QTest::newRow(name) << QString(name) << int(QDialog::Accepted);
        }
        QTest::newRow("Cancel") << "Button2" << int(QDialog::Rejected);
    }

    void enterPressesOk() {
        QFETCH(QString, control);
        QFETCH(int, result);
        dir->Write("sumirel.ini", "[FTP]\r\nDialUp=1\r\n");
        auto form = Form();
        Open(*form);
        form->HostNameEdit->setText("typed");
        auto* widget = form->findChild<QWidget*>(control);
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_Return);
        QVERIFY(!form->isVisible());
        QCOMPARE(form->result(), result);
        QCOMPARE(Read("HostName"), std::string(result == QDialog::Accepted ? "typed" : "<none>"));
    }

    // Each protocol is shown by its readable name and stored by its own; one the dialog does
    // not know is kept selectable and stored back as it was.
    void protocol_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("passiveEnabled");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("nominal: FTP") << QByteArray("FTP") << "FTP" << true << QByteArray("FTP");
        QTest::newRow("nominal: FTPES")
            << QByteArray("FTPES") << "FTPES (FTP over TLS)" << true << QByteArray("FTPES");
        QTest::newRow("nominal: SFTP")
            << QByteArray("SFTP") << "SFTP" << false << QByteArray("SFTP");
        QTest::newRow("other letter case")
            << QByteArray("ftpes") << "FTPES (FTP over TLS)" << true << QByteArray("FTPES");
        QTest::newRow("unknown kept as it is")
            << QByteArray("SCP") << U("SCP（不明）") << true << QByteArray("SCP");
        QTest::newRow("empty is unknown too")
            << QByteArray("") << U("（不明）") << true << QByteArray("");
    }

    void protocol() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, shown);
        QFETCH(bool, passiveEnabled);
        QFETCH(QByteArray, written);
        dir->Write("sumirel.ini",
                   "[FTP]\r\nPort=2121\r\nProtocol=" + stored.toStdString() + "\r\nPassive=0\r\n");
        auto form = Form();
        Open(*form);
        QCOMPARE(form->ProtocolComboBox->currentText(), shown);
        QCOMPARE(form->PassiveCheckBox->isEnabled(), passiveEnabled);
        QVERIFY(!form->PassiveCheckBox->isChecked());
        form->Button1->click();
        QCOMPARE(Read("Protocol"), written.toStdString());
        QCOMPARE(Read("Passive"), std::string("0"));
        QCOMPARE(Read("Port"), std::string("2121"));

        // Opened again, the list holds the known three and at most one unknown.
        auto again = Form();
        Open(*again);
        Open(*again);
        QCOMPARE(again->ProtocolComboBox->count(), shown.contains(U("不明")) ? 4 : 3);
    }

    // Passive mode does not apply to SFTP; the port follows the protocol only from one usual
    // port to the other.
    void protocolChangeMovesPortAndPassive_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("sftpPort");
        QTest::newRow("FTP's port becomes SFTP's") << "21"
                                                   << "22";
        QTest::newRow("any other port stays") << "2121"
                                              << "2121";
    }

    void protocolChangeMovesPortAndPassive() {
        QFETCH(QString, port);
        QFETCH(QString, sftpPort);
        auto form = Form();
        Open(*form);
        form->PortEdit->setText(port);
        form->ProtocolComboBox->setCurrentIndex(2);  // SFTP
        QCOMPARE(form->PortEdit->text(), sftpPort);
        QVERIFY(!form->PassiveCheckBox->isEnabled());
        form->ProtocolComboBox->setCurrentIndex(1);  // FTPES
        QCOMPARE(form->PortEdit->text(), port);
        QVERIFY(form->PassiveCheckBox->isEnabled());
        form->ProtocolComboBox->setCurrentIndex(2);
        form->Button1->click();
        QCOMPARE(Read("Port"), sftpPort.toStdString());
        QCOMPARE(Read("Protocol"), std::string("SFTP"));
    }

    // SFTP without a stored port connects to 22, and the dialog shows what it will use.
    void sftpWithoutPortShows22() {
        dir->Write("sumirel.ini", "[FTP]\r\nProtocol=SFTP\r\n");
        auto form = Form();
        Open(*form);
        QCOMPARE(form->PortEdit->text(), QString("22"));
    }

    void fingerprintShownWhole() {
        dir->Write("sumirel.ini", std::string("[FTP]\r\nProtocol=FTPES\r\nFingerprint=") +
                                      kCertificatePin + "\r\n");
        auto form = Form();
        Open(*form);
        QCOMPARE(form->FingerprintEdit->toPlainText(), QString(kCertificatePin));
        QVERIFY(form->FingerprintEdit->isReadOnly());
        QVERIFY(QFontInfo(form->FingerprintEdit->font()).fixedPitch());
        QCOMPARE(form->FingerprintEdit->font().pixelSize(), form->font().pixelSize());
        QCOMPARE(form->FingerprintEdit->toolTip(), QString(kCertificatePin));
        QVERIFY(form->ForgetButton->isEnabled());
        form->FingerprintEdit->selectAll();
        QCOMPARE(form->FingerprintEdit->textCursor().selectedText(), QString(kCertificatePin));
    }

    // Forgetting takes effect at OK only; a pin of the other kind than the chosen protocol
    // uses is dropped at OK, with a note while that is so.
    void fingerprintKept_data() {
        QTest::addColumn<QByteArray>("protocol");
        QTest::addColumn<QByteArray>("pin");
        QTest::addColumn<int>("choose");  // the protocol chosen before OK, or -1
        QTest::addColumn<bool>("forget");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("kept");
        const QByteArray cert(kCertificatePin);
        const QByteArray key(kHostKeyPin);
        QTest::newRow("nominal: certificate kept")
            << QByteArray("FTPES") << cert << -1 << false << true << true;
        QTest::newRow("nominal: host key kept")
            << QByteArray("SFTP") << key << -1 << false << true << true;
        QTest::newRow("forgotten, OK")
            << QByteArray("FTPES") << cert << -1 << true << true << false;
        QTest::newRow("forgotten, Cancel")
            << QByteArray("FTPES") << cert << -1 << true << false << true;
        QTest::newRow("certificate, SFTP chosen")
            << QByteArray("FTPES") << cert << 2 << false << true << false;
        QTest::newRow("host key, FTPES chosen")
            << QByteArray("SFTP") << key << 1 << false << true << false;
        QTest::newRow("certificate, plain FTP chosen: kept for a return to FTPES")
            << QByteArray("FTPES") << cert << 0 << false << true << true;
        QTest::newRow("unknown protocol keeps any pin")
            << QByteArray("SCP") << key << -1 << false << true << true;
    }

    void fingerprintKept() {
        QFETCH(QByteArray, protocol);
        QFETCH(QByteArray, pin);
        QFETCH(int, choose);
        QFETCH(bool, forget);
        QFETCH(bool, ok);
        QFETCH(bool, kept);
        const std::string before = "[FTP]\r\nPort=990\r\nProtocol=" + protocol.toStdString() +
                                   "\r\nFingerprint=" + pin.toStdString() + "\r\n";
        dir->Write("sumirel.ini", before);
        auto form = Form();
        Open(*form);
        QVERIFY(form->FingerprintNote->isHidden());
        if (choose >= 0) {
            form->ProtocolComboBox->setCurrentIndex(choose);
        }
        if (forget) {
            form->ForgetButton->click();
            QVERIFY(form->FingerprintEdit->toPlainText().isEmpty());
            QVERIFY(!form->ForgetButton->isEnabled());
            QCOMPARE(ReadBytes(ini), before);
        }
        // The note stands while a shown pin would be dropped, and fits the dialog.
        QCOMPARE(form->FingerprintNote->isVisible(), !forget && !kept);
        QApplication::processEvents();
        const QStringList faults = SumirelTest::LayoutFaults(*form);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
        (ok ? form->Button1 : form->Button2)->click();
        QVERIFY(!form->isVisible());
        QCOMPARE(Read("Fingerprint"), kept ? pin.toStdString() : std::string());
    }

    // The protocol chosen back before OK keeps the pin.
    void protocolChosenBackKeepsPin() {
        dir->Write("sumirel.ini", std::string("[FTP]\r\nProtocol=FTPES\r\nFingerprint=") +
                                      kCertificatePin + "\r\n");
        auto form = Form();
        Open(*form);
        form->ProtocolComboBox->setCurrentIndex(2);
        QVERIFY(form->FingerprintNote->isVisible());
        form->ProtocolComboBox->setCurrentIndex(1);
        QVERIFY(form->FingerprintNote->isHidden());
        form->Button1->click();
        QCOMPARE(Read("Fingerprint"), std::string(kCertificatePin));
    }

    void timeout_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("error");  // empty when stored
        QTest::addColumn<int>("stored");
        QTest::newRow("nominal") << "120" << QString() << 120;
        QTest::newRow("hexadecimal") << "$3C" << QString() << 60;
        QTest::newRow("letters") << "long" << U("'long' は整数ではありません") << 0;
        QTest::newRow("empty") << "" << U("'' は整数ではありません") << 0;
        QTest::newRow("zero") << "0" << U("'0' は1以上の整数ではありません") << 0;
        QTest::newRow("negative") << "-5" << U("'-5' は1以上の整数ではありません") << 0;
    }

    void timeout() {
        QFETCH(QString, typed);
        QFETCH(QString, error);
        QFETCH(int, stored);
        const std::string before = "[FTP]\r\nHostName=old\r\nTimeout=30\r\n";
        dir->Write("sumirel.ini", before);
        auto form = Form();
        Open(*form);
        QCOMPARE(form->TimeoutEdit->text(), QString("30"));
        form->HostNameEdit->setText("new");
        form->ProtocolComboBox->setCurrentIndex(1);
        form->TimeoutEdit->setText(typed);
        form->Button1->click();
        if (error.isEmpty()) {
            QVERIFY(!form->isVisible());
            QCOMPARE(IniFile(ini).ReadInteger("FTP", "Timeout", 0), stored);
            QCOMPARE(Read("Protocol"), std::string("FTPES"));
            return;
        }
        QCOMPARE(dialogs->shown, QStringList{Error(error)});
        QVERIFY(form->isVisible());
        QCOMPARE(ReadBytes(ini), before);
    }

    // Every key of one OK arrives in one replacement of the file: a name linked to the old
    // file still holds all of the old text, the new file all of the new.
    void okReplacesTheFileOnce() {
        const std::string before = std::string("[FTP]\r\nHostName=old\r\nProtocol=FTPES\r\n") +
                                   "Fingerprint=" + kCertificatePin + "\r\nTimeout=30\r\n";
        dir->Write("sumirel.ini", before);
        const std::string linked = dir->File("linked.ini");
        QCOMPARE(::link(ini.c_str(), linked.c_str()), 0);
        auto form = Form();
        Open(*form);
        form->HostNameEdit->setText("new");
        form->ForgetButton->click();
        form->PassiveCheckBox->setChecked(false);
        form->TimeoutEdit->setText("90");
        form->Button1->click();
        QCOMPARE(ReadBytes(linked), before);
        QCOMPARE(Read("HostName"), std::string("new"));
        QCOMPARE(Read("Fingerprint"), std::string());
        QCOMPARE(Read("Passive"), std::string("0"));
        QCOMPARE(Read("Timeout"), std::string("90"));
    }

    void readOnlyFileKeepsDialogOpen() {
        const std::string before = "[FTP]\r\nHostName=old\r\n";
        dir->Write("sumirel.ini", before);
        QCOMPARE(::chmod(ini.c_str(), 0444), 0);
        auto form = Form();
        Open(*form);
        form->HostNameEdit->setText("new");
        form->Button1->click();
        QCOMPARE(dialogs->shown,
                 QStringList{Error(QString::fromStdString(ini) + U(" に書き込めません"))});
        QVERIFY(form->isVisible());
        QCOMPARE(ReadBytes(ini), before);
    }

    // The file holds credentials after OK, so only its owner may read it, however it was.
    void okLeavesTheFileToItsOwner() {
        dir->Write("sumirel.ini", "[Files]\r\nDiaryFileName=/d.txt\r\n");
        QCOMPARE(::chmod(ini.c_str(), 0644), 0);
        auto form = Form();
        Open(*form);
        form->PassEdit->setText("secret");
        form->Button1->click();
        QVERIFY(!form->isVisible());
        struct stat info {};
        QCOMPARE(::stat(ini.c_str(), &info), 0);
        QCOMPARE(info.st_mode & 07777, 0600u);
        QCOMPARE(IniFile(ini).ReadString("Files", "DiaryFileName", ""), std::string("/d.txt"));
    }
};

int RunFTPSettingFormTests(int argc, char** argv) {
    FTPSettingFormTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FTPSettingFormTest.moc"

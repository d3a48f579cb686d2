#pragma once
// The connection settings dialog: FTP server, credentials, remote folder and port, and the
// dial-up connection to make before an upload, and how the connection is made: protocol,
// passive mode, timeout and the pinned server identity. It works on the settings file alone:
// it reads the file each time it is shown and writes the FTP section when OK is pressed.
// Credentials are plain on screen and scrambled in the file.

#include <cstdint>
#include <string>

#include "platform/FileIO.h"
#include "settings/LoadSettings.h"
#include "settings/SettingsTable.h"
#include "settings/dialogs/SettingsDialog.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace Sumirel {

class DialUp;

class TFTPSettingForm : public SettingsDialog {
    Q_OBJECT
public:
    explicit TFTPSettingForm(QWidget* parent = nullptr,
                             std::string iniFileName = SettingsFileName());

    // Set by the opener before the dialog is shown. DefaultPort is shown when the settings
    // file holds no port: the port the FTP client currently has. RasComponent lists the
    // dial-up entries; it is not owned, and without one the list is empty.
    std::int32_t DefaultPort =
        DefaultNumber(FindSettingRow(SettingsKeys::kFtp, "Port"), std::nullopt);
    DialUp* RasComponent = nullptr;

    // Event handlers.
    void FormShow() override;
    void Button1Click();
    void Button2Click();
    void DialUpCheckBoxClick();
    // The user chose another protocol: passive mode, the port and the pin follow it.
    void ProtocolComboBoxChange();
    // Forget the pinned fingerprint; stored as empty at OK.
    void ForgetButtonClick();
    // A key in any control of the dialog: Escape cancels.
    void HostNameEditKeyDown(int key);

    const std::string& IniFileName() const { return iniFileName_; }

    // Controls, under the names of the dialog's layout.
    QLabel* Label1;  // host name
    QLabel* Label2;  // user name
    QLabel* Label3;  // password
    QLabel* Label4;  // remote folder
    QLabel* Label5;  // port
    QLabel* Label6;  // dial-up user name
    QLabel* Label7;  // dial-up password
    QLineEdit* HostNameEdit;
    QLineEdit* IDEdit;
    QLineEdit* PassEdit;
    QLineEdit* DefaultDirEdit;
    QLineEdit* PortEdit;
    QCheckBox* DialUpCheckBox;
    QCheckBox* DialUpOffCheckBox;
    QComboBox* DialEntryComboBox;
    QLineEdit* DialIDEdit;
    QLineEdit* DialPassEdit;
    QGroupBox* ConnectGroupBox;
    QLabel* Label8;   // protocol
    QLabel* Label9;   // timeout
    QLabel* Label10;  // fingerprint
    // Items show readable names; their data is the text stored in Protocol. A stored value
    // that is none of the known ones is an extra last item, stored back as it was.
    QComboBox* ProtocolComboBox;
    QCheckBox* PassiveCheckBox;
    QLineEdit* TimeoutEdit;
    QPlainTextEdit* FingerprintEdit;  // read-only, the stored pin as it stands
    QPushButton* ForgetButton;
    QLabel* FingerprintNote;  // shown while OK would drop the pin
    QPushButton* Button1;     // OK
    QPushButton* Button2;     // Cancel

    // The Protocol that OK stores.
    QString ChosenProtocol() const;
    // The Fingerprint that OK stores: the stored one, unless it was forgotten or is of the
    // other kind than the chosen protocol uses.
    std::string FingerprintToStore() const;

private:
    void ShowProtocolState();

    std::string iniFileName_;
    std::string storedFingerprint_;
    bool forgotten_ = false;
    QString shownProtocol_;  // the protocol chosen before the latest change
};

}  // namespace Sumirel

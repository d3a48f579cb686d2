#include "settings/dialogs/FTPUnit.h"
#include "settings/dialogs/SettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/qt/DialUp.h"
#include "platform/qt/ShiftJisCodec.h"
#include "platform/widgets/DesignedSize.h"
#include "platform/widgets/SumirelApplication.h"
#include "settings/LoadSettings.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsPlace.h"

namespace Sumirel {

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// After "'" and the port or timeout text.
constexpr char kNotWholeNumber[] = "' は整数ではありません";
constexpr char kNotPositive[] = "' は1以上の整数ではありません";

constexpr int kFtpPort = 21;
constexpr int kSftpPort = 22;

// An SSH host key's fingerprint reads "SHA256:" and base64; a certificate's is hex pairs.
bool IsHostKeyFingerprint(const std::string& fingerprint) {
    return QString::fromStdString(fingerprint)
        .startsWith(QLatin1String("SHA256:"), Qt::CaseInsensitive);
}

// The stored fingerprint, whole: it wraps anywhere, in a fixed-width font so that it can be
// compared character by character, and can be selected and copied but not edited.
class FingerprintBox : public QPlainTextEdit {
public:
    explicit FingerprintBox(QWidget* parent) : QPlainTextEdit(parent) {
        // Only the family is set, so the size follows the dialog's font.
        QFont fixed;
        fixed.setFamilies(QFontDatabase::systemFont(QFontDatabase::FixedFont).families());
        fixed.setStyleHint(QFont::TypeWriter);
        setFont(fixed);
        setReadOnly(true);
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        setFocusPolicy(Qt::StrongFocus);
        setTabChangesFocus(true);
        setLineWrapMode(QPlainTextEdit::WidgetWidth);
        setWordWrapMode(QTextOption::WrapAnywhere);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setPlaceholderText(QString::fromUtf8("（なし）"));
    }

    QSize sizeHint() const override { return {QPlainTextEdit::sizeHint().width(), LinesHeight()}; }
    QSize minimumSizeHint() const override {
        return {QPlainTextEdit::minimumSizeHint().width(), LinesHeight()};
    }

private:
    // A certificate's fingerprint in four lines at the designed width.
    int LinesHeight() const {
        constexpr int kLines = 4;
        const int margins = int(2 * document()->documentMargin()) + 2 * frameWidth();
        return kLines * fontMetrics().lineSpacing() + margins;
    }
};

}  // namespace

TFTPSettingForm::TFTPSettingForm(QWidget* parent, std::string iniFileName)
    : SettingsDialog(parent, U("FTP設定")), iniFileName_(std::move(iniFileName)) {
    setObjectName("FTPSettingForm");

    auto label = [this](const char* name, const QString& caption) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(name);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };
    auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        return e;
    };
    auto check = [this](const char* name, const QString& caption) {
        auto* c = new QCheckBox(caption, this);
        c->setObjectName(name);
        return c;
    };
    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        return b;
    };
    // A password edit shows one "*" for every character.
    auto password = [](QLineEdit* e) {
        e->setEchoMode(QLineEdit::Password);
        e->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    };
    // Rows of a caption left of its control; the controls widen with the dialog.
    auto fields = [] {
        auto* grid = new QGridLayout;
        grid->setColumnStretch(1, 1);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(4);
        return grid;
    };
    auto addField = [](QGridLayout* grid, QLabel* caption, QWidget* field) {
        const int row = grid->rowCount();
        grid->addWidget(caption, row, 0);
        grid->addWidget(field, row, 1, Qt::AlignLeft);
        if (field->sizePolicy().horizontalPolicy() != QSizePolicy::Fixed) {
            grid->setAlignment(field, {});
        }
    };
    // The dial-up controls stand indented under their check box.
    auto indented = [](QLayout* inner) {
        inner->setContentsMargins(16, 0, 0, 0);
        return inner;
    };

    auto* server = fields();
    Label1 = label("Label1", U("ホスト名"));
    HostNameEdit = edit("HostNameEdit");
    addField(server, Label1, HostNameEdit);
    Label2 = label("Label2", U("ユーザー名"));
    IDEdit = edit("IDEdit");
    addField(server, Label2, IDEdit);
    Label3 = label("Label3", U("パスワード"));
    PassEdit = edit("PassEdit");
    password(PassEdit);
    addField(server, Label3, PassEdit);
    Label4 = label("Label4", U("初期フォルダ"));
    DefaultDirEdit = edit("DefaultDirEdit");
    addField(server, Label4, DefaultDirEdit);
    Label5 = label("Label5", U("ポート番号"));
    PortEdit = new DesignedEdit(56, this);
    PortEdit->setObjectName("PortEdit");
    addField(server, Label5, PortEdit);
    AddRow(server);

    DialUpCheckBox = check("DialUpCheckBox", U("ダイヤルアップ"));
    DialUpOffCheckBox = check("DialUpOffCheckBox", U("送信完了後に切断"));
    DialEntryComboBox = new QComboBox(this);
    DialEntryComboBox->setObjectName("DialEntryComboBox");
    DialEntryComboBox->setEditable(true);
    // Typing a name and pressing Enter does not add it to the phone-book list.
    DialEntryComboBox->setInsertPolicy(QComboBox::NoInsert);
    auto* dialUp = new QVBoxLayout;
    dialUp->setSpacing(4);
    dialUp->addWidget(DialUpCheckBox);
    auto* dialUpItems = new QVBoxLayout;
    dialUpItems->setSpacing(4);
    dialUpItems->addWidget(DialUpOffCheckBox);
    dialUpItems->addWidget(DialEntryComboBox);
    auto* account = fields();
    Label6 = label("Label6", U("ユーザー名"));
    DialIDEdit = edit("DialIDEdit");
    addField(account, Label6, DialIDEdit);
    Label7 = label("Label7", U("パスワード"));
    DialPassEdit = edit("DialPassEdit");
    password(DialPassEdit);
    addField(account, Label7, DialPassEdit);
    dialUpItems->addLayout(account);
    dialUp->addLayout(indented(dialUpItems));
    AddRow(dialUp);

    // How the connection is made.
    ConnectGroupBox = new QGroupBox(U("接続"), this);
    ConnectGroupBox->setObjectName("ConnectGroupBox");
    auto* connection = fields();
    ConnectGroupBox->setLayout(connection);
    connection->setContentsMargins(8, 2, 8, 6);
    Label8 = label("Label8", U("接続方式"));
    ProtocolComboBox = new QComboBox(this);
    ProtocolComboBox->setObjectName("ProtocolComboBox");
    ProtocolComboBox->addItem(QStringLiteral("FTP"), QString::fromLatin1(Protocols::kFtp));
    ProtocolComboBox->addItem(QStringLiteral("FTPES (FTP over TLS)"),
                              QString::fromLatin1(Protocols::kFtpes));
    ProtocolComboBox->addItem(QStringLiteral("SFTP"), QString::fromLatin1(Protocols::kSftp));
    addField(connection, Label8, ProtocolComboBox);
    PassiveCheckBox = check("PassiveCheckBox", U("パッシブモード"));
    connection->addWidget(PassiveCheckBox, connection->rowCount(), 0, 1, 2);
    Label9 = label("Label9", U("タイムアウト(秒)"));
    TimeoutEdit = new DesignedEdit(56, this);
    TimeoutEdit->setObjectName("TimeoutEdit");
    addField(connection, Label9, TimeoutEdit);
    Label10 = label("Label10", U("サーバーの指紋"));
    Label10->setToolTip(U("FTPESでは証明書の、SFTPではホスト鍵のSHA-256指紋"));
    ForgetButton = button("ForgetButton", U("忘れる"));
    const int pinRow = connection->rowCount();
    connection->addWidget(Label10, pinRow, 0);
    connection->addWidget(ForgetButton, pinRow, 1, Qt::AlignRight);
    FingerprintEdit = new FingerprintBox(this);
    FingerprintEdit->setObjectName("FingerprintEdit");
    connection->addWidget(FingerprintEdit, connection->rowCount(), 0, 1, 2);
    FingerprintNote = label("FingerprintNote", U("接続方式と合わないため、OKで消去"));
    FingerprintNote->hide();
    connection->addWidget(FingerprintNote, connection->rowCount(), 0, 1, 2);
    AddRow(ConnectGroupBox);

    Button1 = button("Button1", QStringLiteral("OK"));
    Button2 = button("Button2", U("キャンセル"));
    SetButtons(Button1, Button2);

    QWidget* const order[] = {HostNameEdit, IDEdit,          PassEdit,          DefaultDirEdit,
                              PortEdit,     DialUpCheckBox,  DialUpOffCheckBox, DialEntryComboBox,
                              DialIDEdit,   DialPassEdit,    ProtocolComboBox,  PassiveCheckBox,
                              TimeoutEdit,  FingerprintEdit, ForgetButton,      Button1,
                              Button2};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    HostNameEdit->setFocus();

    // Escape cancels from every control, the edit inside the combo box included.
    std::vector<QWidget*> controls(std::begin(order), std::end(order));
    controls.push_back(DialEntryComboBox->lineEdit());
    CancelOnEscape(Button2, controls);

    connect(Button1, &QPushButton::clicked, this, &TFTPSettingForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFTPSettingForm::Button2Click);
    connect(DialUpCheckBox, &QCheckBox::toggled, this, &TFTPSettingForm::DialUpCheckBoxClick);
    connect(ProtocolComboBox, &QComboBox::currentIndexChanged, this,
            &TFTPSettingForm::ProtocolComboBoxChange);
    connect(ForgetButton, &QPushButton::clicked, this, &TFTPSettingForm::ForgetButtonClick);

    // The timeout holds a number even when the file cannot be read, so that OK then reports
    // the file rather than an empty field.
    TimeoutEdit->setText(QString::number(
        DefaultNumber(FindSettingRow(SettingsKeys::kFtp, "Timeout"), std::nullopt)));

    // The designed 246 by 349 pixels, and the connection group below.
    InitialClientSize(246, 349 + ConnectGroupBox->sizeHint().height() + 4);
}

void TFTPSettingForm::FormShow() {
    using SettingsKeys::kFtp;
    // The phone book may have changed since the last opening.
    const std::vector<std::string> entries =
        RasComponent != nullptr ? RasComponent->Entries() : std::vector<std::string>();
    DialEntryComboBox->clear();
    for (const std::string& entry : entries) {
        DialEntryComboBox->addItem(FromShiftJis(entry));
    }

    const SettingsReader file(iniFileName_, DefaultPort);
    auto show = [&file](QLineEdit* edit, const char* key) {
        edit->setText(FromShiftJis(file.Text(kFtp, key)));
    };
    show(HostNameEdit, "HostName");
    show(IDEdit, "ID");
    show(PassEdit, "Pass");
    show(DefaultDirEdit, "DefaultDir");
    PortEdit->setText(QString::number(file.Integer(kFtp, "Port")));
    const QString entryName = FromShiftJis(file.Text(kFtp, "DialEntryName"));
    DialUpCheckBox->setChecked(file.Bool(kFtp, "DialUp"));
    DialUpOffCheckBox->setChecked(file.Bool(kFtp, "QuitDialUp"));
    show(DialIDEdit, "DialID");
    show(DialPassEdit, "DialPass");
    DialUpCheckBoxClick();

    // A protocol the dialog does not know stays selectable as it was stored, so that OK
    // does not replace it unasked.
    const QString protocol = FromShiftJis(file.Text(kFtp, "Protocol"));
    {
        const QSignalBlocker quiet(ProtocolComboBox);
        while (ProtocolComboBox->count() > 3) {
            ProtocolComboBox->removeItem(3);
        }
        int known = -1;
        for (int i = 0; i < ProtocolComboBox->count() && known < 0; ++i) {
            if (ProtocolComboBox->itemData(i).toString().compare(protocol, Qt::CaseInsensitive) ==
                0) {
                known = i;
            }
        }
        if (known < 0) {
            ProtocolComboBox->addItem(protocol + U("（不明）"), protocol);
            known = ProtocolComboBox->count() - 1;
        }
        ProtocolComboBox->setCurrentIndex(known);
    }
    shownProtocol_ = ChosenProtocol();
    // Without a stored port, SFTP connects to its own default port.
    if (shownProtocol_ == QLatin1String(Protocols::kSftp) && !file.Holds(kFtp, "Port")) {
        PortEdit->setText(QString::number(kSftpPort));
    }
    PassiveCheckBox->setChecked(file.Bool(kFtp, "Passive"));
    TimeoutEdit->setText(QString::number(file.Integer(kFtp, "Timeout")));
    storedFingerprint_ = file.Text(kFtp, "Fingerprint");
    forgotten_ = false;
    ShowProtocolState();

    // The stored entry, in whatever letter case, if the phone book still has it. Names are
    // compared as characters rather than as Shift-JIS bytes: a trail byte of a double-byte
    // character can look like an ASCII letter, and folding it would match another character.
    int match = -1;
    for (int i = 0; i < DialEntryComboBox->count() && match < 0; ++i) {
        if (DialEntryComboBox->itemText(i).compare(entryName, Qt::CaseInsensitive) == 0) {
            match = i;
        }
    }
    DialEntryComboBox->setCurrentIndex(match);
    if (match < 0) {
        DialEntryComboBox->setEditText(QString());
    }
}

void TFTPSettingForm::DialUpCheckBoxClick() {
    const bool on = DialUpCheckBox->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{DialUpOffCheckBox, DialEntryComboBox,
                                                      DialPassEdit, DialIDEdit}) {
        w->setEnabled(on);
    }
}

QString TFTPSettingForm::ChosenProtocol() const {
    return ProtocolComboBox->currentData().toString();
}

std::string TFTPSettingForm::FingerprintToStore() const {
    if (forgotten_) {
        return {};
    }
    const QString protocol = ChosenProtocol();
    const bool sftp = protocol == QLatin1String(Protocols::kSftp);
    const bool certificate =
        protocol == QLatin1String(Protocols::kFtp) || protocol == QLatin1String(Protocols::kFtpes);
    // A pin of the other kind could never match what the server shows, and a later upload
    // would report it as a changed identity.
    if ((sftp && !IsHostKeyFingerprint(storedFingerprint_)) ||
        (certificate && IsHostKeyFingerprint(storedFingerprint_))) {
        return {};
    }
    return storedFingerprint_;
}

void TFTPSettingForm::ShowProtocolState() {
    PassiveCheckBox->setEnabled(ChosenProtocol() != QLatin1String(Protocols::kSftp));
    const QString shown = forgotten_ ? QString() : QString::fromStdString(storedFingerprint_);
    if (FingerprintEdit->toPlainText() != shown) {
        FingerprintEdit->setPlainText(shown);
    }
    FingerprintEdit->setToolTip(shown);
    ForgetButton->setEnabled(!shown.isEmpty());
    FingerprintNote->setVisible(!shown.isEmpty() && FingerprintToStore().empty());
}

void TFTPSettingForm::ProtocolComboBoxChange() {
    const QString sftp = QString::fromLatin1(Protocols::kSftp);
    const QString chosen = ChosenProtocol();
    // The other protocol's usual port becomes this one's; any other port stays.
    const QString port = PortEdit->text().trimmed();
    if (chosen == sftp && shownProtocol_ != sftp && port == QString::number(kFtpPort)) {
        PortEdit->setText(QString::number(kSftpPort));
    } else if (chosen != sftp && shownProtocol_ == sftp && port == QString::number(kSftpPort)) {
        PortEdit->setText(QString::number(kFtpPort));
    }
    shownProtocol_ = chosen;
    ShowProtocolState();
}

void TFTPSettingForm::ForgetButtonClick() {
    forgotten_ = true;
    ShowProtocolState();
    // The button just disabled itself; the keyboard goes to the next control.
    TimeoutEdit->setFocus(Qt::OtherFocusReason);
}

void TFTPSettingForm::Button1Click() {
    using SettingsKeys::kFtp;
    try {
        PrepareSettingsFolder(iniFileName_);
        std::optional<WriterLock> lock;
        LockDiaryOf(iniFileName_, lock);
        SettingsWriter file(iniFileName_);
        auto store = [&file](const char* key, const QLineEdit* edit) {
            file.Text(kFtp, key, ToShiftJis(edit->text()));
        };
        store("HostName", HostNameEdit);
        store("ID", IDEdit);
        store("Pass", PassEdit);
        store("DefaultDir", DefaultDirEdit);
        const std::string portText = ToShiftJis(PortEdit->text());
        std::int32_t port = 0;
        if (!ParseIniInteger(portText, port)) {
            throw PlatformError("'" + portText + ToShiftJis(U(kNotWholeNumber)));
        }
        file.Integer(kFtp, "Port", port);
        const std::string timeoutText = ToShiftJis(TimeoutEdit->text());
        std::int32_t timeout = 0;
        if (!ParseIniInteger(timeoutText, timeout)) {
            throw PlatformError("'" + timeoutText + ToShiftJis(U(kNotWholeNumber)));
        }
        // No data moving for 0 seconds would fail every transfer at once.
        if (timeout < 1) {
            throw PlatformError("'" + timeoutText + ToShiftJis(U(kNotPositive)));
        }
        file.Bool(kFtp, "DialUp", DialUpCheckBox->isChecked());
        file.Bool(kFtp, "QuitDialUp", DialUpOffCheckBox->isChecked());
        file.Text(kFtp, "DialEntryName", ToShiftJis(DialEntryComboBox->currentText()));
        store("DialID", DialIDEdit);
        store("DialPass", DialPassEdit);
        file.Text(kFtp, "Protocol", ToShiftJis(ChosenProtocol()));
        file.Bool(kFtp, "Passive", PassiveCheckBox->isChecked());
        file.Text(kFtp, "Fingerprint", FingerprintToStore());
        file.Integer(kFtp, "Timeout", timeout);
        file.Commit();
    } catch (...) {
        // Nothing was written; the dialog stays open for another try.
        SumirelApplication::ShowCurrentException();
        return;
    }
    accept();
}

void TFTPSettingForm::Button2Click() {
    reject();
}

void TFTPSettingForm::HostNameEditKeyDown(int key) {
    ControlKeyDown(key);
}

}  // namespace Sumirel

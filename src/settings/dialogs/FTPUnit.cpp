#include "settings/dialogs/FTPUnit.h"
#include "settings/dialogs/SettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/qt/DialUp.h"
#include "platform/qt/ShiftJisCodec.h"
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

// After "'" and the port text.
constexpr char kNotWholeNumber[] = "' は整数ではありません";

}  // namespace

TFTPSettingForm::TFTPSettingForm(QWidget* parent, std::string iniFileName)
    : SettingsDialog(parent, U("FTP設定")), iniFileName_(std::move(iniFileName)) {
    setObjectName("FTPSettingForm");

    auto label = [this](const char* name, const QString& caption, QRect at) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(name);
        l->setGeometry(at);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };
    auto edit = [this](const char* name, QRect at) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setGeometry(at);
        return e;
    };
    auto check = [this](const char* name, const QString& caption, QRect at) {
        auto* c = new QCheckBox(caption, this);
        c->setObjectName(name);
        c->setGeometry(at);
        return c;
    };
    auto button = [this](const char* name, const QString& caption, QRect at) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setGeometry(at);
        return b;
    };
    // A password edit shows one "*" for every character.
    auto password = [](QLineEdit* e) {
        e->setEchoMode(QLineEdit::Password);
        e->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    };

    Label1 = label("Label1", U("ホスト名"), {8, 8, 78, 22});
    HostNameEdit = edit("HostNameEdit", {88, 8, 150, 22});
    Label2 = label("Label2", U("ユーザー名"), {8, 36, 78, 22});
    IDEdit = edit("IDEdit", {88, 36, 150, 22});
    Label3 = label("Label3", U("パスワード"), {8, 64, 78, 22});
    PassEdit = edit("PassEdit", {88, 64, 150, 22});
    password(PassEdit);
    Label4 = label("Label4", U("初期フォルダ"), {8, 92, 78, 22});
    DefaultDirEdit = edit("DefaultDirEdit", {88, 92, 150, 22});
    Label5 = label("Label5", U("ポート番号"), {8, 120, 78, 22});
    PortEdit = edit("PortEdit", {88, 120, 56, 22});

    DialUpCheckBox = check("DialUpCheckBox", U("ダイヤルアップ"), {8, 154, 230, 20});
    DialUpOffCheckBox = check("DialUpOffCheckBox", U("送信完了後に切断"), {24, 180, 214, 20});
    DialEntryComboBox = new QComboBox(this);
    DialEntryComboBox->setObjectName("DialEntryComboBox");
    DialEntryComboBox->setGeometry(24, 206, 214, 24);
    DialEntryComboBox->setEditable(true);
    // Typing a name and pressing Enter does not add it to the phone-book list.
    DialEntryComboBox->setInsertPolicy(QComboBox::NoInsert);
    Label6 = label("Label6", U("ユーザー名"), {24, 238, 70, 22});
    DialIDEdit = edit("DialIDEdit", {96, 238, 142, 22});
    Label7 = label("Label7", U("パスワード"), {24, 266, 70, 22});
    DialPassEdit = edit("DialPassEdit", {96, 266, 142, 22});
    password(DialPassEdit);

    Button1 = button("Button1", QStringLiteral("OK"), {42, 312, 78, 26});
    Button2 = button("Button2", U("キャンセル"), {126, 312, 78, 26});

    QWidget* const order[] = {HostNameEdit, IDEdit,         PassEdit,          DefaultDirEdit,
                              PortEdit,     DialUpCheckBox, DialUpOffCheckBox, DialEntryComboBox,
                              DialIDEdit,   DialPassEdit,   Button1,           Button2};
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

    FixClientSize(246, 349);
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
        file.Bool(kFtp, "DialUp", DialUpCheckBox->isChecked());
        file.Bool(kFtp, "QuitDialUp", DialUpOffCheckBox->isChecked());
        file.Text(kFtp, "DialEntryName", ToShiftJis(DialEntryComboBox->currentText()));
        store("DialID", DialIDEdit);
        store("DialPass", DialPassEdit);
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

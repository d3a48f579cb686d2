#include "settings/dialogs/FTPUnit.h"
#include "settings/dialogs/SettingsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
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

// After "'" and the port text.
constexpr char kNotWholeNumber[] = "' は整数ではありません";

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

    Button1 = button("Button1", QStringLiteral("OK"));
    Button2 = button("Button2", U("キャンセル"));
    SetButtons(Button1, Button2);

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

    InitialClientSize(246, 349);
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

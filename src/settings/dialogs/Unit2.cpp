#include "settings/dialogs/Unit2.h"
#include "settings/dialogs/SettingsDialog.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextCursor>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <utility>

#include "platform/qt/MemoText.h"
#include "platform/qt/ShiftJisCodec.h"
#include "platform/widgets/SumirelApplication.h"
#include "platform/widgets/UserDialogs.h"
#include "settings/LoadSettings.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsPlace.h"

namespace Sumirel {

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The browse buttons' filters, as "description|pattern;pattern".
const char kTextFilter[] = "テキストファイル(*.txt)|*.txt";
const char kHtmlFilter[] = "HTMLファイル(*.html;*.htm)|*.html;*.htm";
const char kTemplateFilter[] = "テンプレートファイル(*.html;*.htm)|*.html;*.htm";

// "description|*.a;*.b" in Qt's form "description (*.a *.b)". The description is kept
// whole, parentheses and all: Qt takes the patterns from the last pair of parentheses.
QString QtFileFilter(const QString& filter) {
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0) {
        return filter;
    }
    QString patterns = filter.mid(bar + 1);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    return filter.left(bar) + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

// The caret after the last character, so that the edit shows the end of a long path, and
// the whole text selected.
void ShowEndSelected(QLineEdit* edit) {
    edit->end(false);
    edit->selectAll();
}

}  // namespace

TSettingForm::TSettingForm(QWidget* parent, std::string iniFileName)
    : SettingsDialog(parent, U("設定")), iniFileName_(std::move(iniFileName)) {
    setObjectName("SettingForm");

    auto group = [this](const char* name, const QString& caption, QRect at) {
        auto* g = new QGroupBox(caption, this);
        g->setObjectName(name);
        g->setGeometry(at);
        return g;
    };
    auto label = [](QWidget* owner, const char* name, const QString& caption, QRect at) {
        auto* l = new QLabel(caption, owner);
        l->setObjectName(name);
        l->setGeometry(at);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };
    auto edit = [](QWidget* owner, const char* name, QRect at) {
        auto* e = new QLineEdit(owner);
        e->setObjectName(name);
        e->setGeometry(at);
        return e;
    };
    auto button = [](QWidget* owner, const char* name, const QString& caption, QRect at) {
        auto* b = new QPushButton(caption, owner);
        b->setObjectName(name);
        b->setGeometry(at);
        return b;
    };

    FileGroupBox = group("FileGroupBox", U("ファイル"), {8, 4, 333, 228});
    Label1 = label(FileGroupBox, "Label1", U("日記ファイル名"), {12, 18, 240, 16});
    DiaryFileNameEdit = edit(FileGroupBox, "DiaryFileNameEdit", {12, 35, 249, 22});
    Button3 = button(FileGroupBox, "Button3", U("参照"), {267, 34, 54, 24});
    Label2 = label(FileGroupBox, "Label2", U("出力HMLファイル名"), {12, 61, 240, 16});
    HtmlFileNameEdit = edit(FileGroupBox, "HtmlFileNameEdit", {12, 78, 249, 22});
    Button4 = button(FileGroupBox, "Button4", U("参照"), {267, 77, 54, 24});
    Label3 = label(FileGroupBox, "Label3", U("テンプレートファイル"), {12, 104, 240, 16});
    TemplateFileNameEdit = edit(FileGroupBox, "TemplateFileNameEdit", {12, 121, 249, 22});
    Button5 = button(FileGroupBox, "Button5", U("参照"), {267, 120, 54, 24});
    Label4 = label(FileGroupBox, "Label4", U("外部対象ファイル"), {12, 147, 240, 16});
    OtherFileEdit = new QPlainTextEdit(FileGroupBox);
    OtherFileEdit->setObjectName("OtherFileEdit");
    OtherFileEdit->setGeometry(12, 164, 249, 56);
    OtherFileEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    OtherFileEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control, as in the single-line edits: a path holds no tab.
    OtherFileEdit->setTabChangesFocus(true);
    Button6 = button(FileGroupBox, "Button6", U("参照"), {267, 163, 54, 24});

    // One row: year label, separator after the year, month label, and so on.
    DateGroupBox = group("DateGroupBox", U("日付"), {8, 238, 333, 52});
    Label5 = label(DateGroupBox, "Label5", U("年"), {12, 21, 16, 22});
    YearEdit = edit(DateGroupBox, "YearEdit", {30, 21, 60, 22});
    Label6 = label(DateGroupBox, "Label6", U("月"), {106, 21, 16, 22});
    MonEdit = edit(DateGroupBox, "MonEdit", {124, 21, 60, 22});
    Label7 = label(DateGroupBox, "Label7", U("日"), {200, 21, 16, 22});
    DayEdit = edit(DateGroupBox, "DayEdit", {218, 21, 60, 22});

    LineGroupBox = group("LineGroupBox", U("挿入"), {8, 296, 333, 52});
    Label8 = label(LineGroupBox, "Label8", U("行頭"), {12, 21, 30, 22});
    LenStartEdit = edit(LineGroupBox, "LenStartEdit", {44, 21, 112, 22});
    Label9 = label(LineGroupBox, "Label9", U("行末"), {170, 21, 30, 22});
    LenEndEdit = edit(LineGroupBox, "LenEndEdit", {202, 21, 112, 22});

    Button1 = button(this, "Button1", QStringLiteral("OK"), {178, 360, 78, 26});
    Button2 = button(this, "Button2", U("キャンセル"), {263, 360, 78, 26});

    // OK and Cancel come first, so that OK has the focus when the dialog opens.
    QWidget* const order[] = {Button1,
                              Button2,
                              DiaryFileNameEdit,
                              Button3,
                              HtmlFileNameEdit,
                              Button4,
                              TemplateFileNameEdit,
                              Button5,
                              OtherFileEdit,
                              Button6,
                              YearEdit,
                              MonEdit,
                              DayEdit,
                              LenStartEdit,
                              LenEndEdit};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    Button1->setFocus();

    // Escape cancels from these; on a browse button it does nothing.
    CancelOnEscape(Button2,
                   {DiaryFileNameEdit, HtmlFileNameEdit, TemplateFileNameEdit, OtherFileEdit,
                    YearEdit, MonEdit, DayEdit, LenStartEdit, LenEndEdit, Button1, Button2});

    connect(Button1, &QPushButton::clicked, this, &TSettingForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TSettingForm::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TSettingForm::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TSettingForm::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TSettingForm::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TSettingForm::Button6Click);

    FixClientSize(349, 394);
}

void TSettingForm::FormShow() {
    using namespace SettingsKeys;
    const SettingsReader file(iniFileName_);
    auto show = [&file](QLineEdit* edit, const char* section, const char* key) {
        edit->setText(FromShiftJis(file.Text(section, key)));
    };
    show(DiaryFileNameEdit, kFiles, "DiaryFileName");
    show(HtmlFileNameEdit, kFiles, "HtmlFileName");
    show(TemplateFileNameEdit, kFiles, "TemplateFileName");
    show(YearEdit, kSettings, "YearSep");
    show(MonEdit, kSettings, "MonSep");
    show(DayEdit, kSettings, "DaySep");
    show(LenStartEdit, kSettings, "LenStartString");
    show(LenEndEdit, kSettings, "LenEndString");
    OtherFileEdit->setPlainText(
        MemoDisplayText(OtherFilesBoxText(file.Text(kSettings, "OtherFiles"))));

    ShowEndSelected(DiaryFileNameEdit);
    ShowEndSelected(HtmlFileNameEdit);
    ShowEndSelected(TemplateFileNameEdit);
}

QString TSettingForm::BrowseFile(const QString& filter, const QString& defaultExtension) {
    UserDialogs::OpenRequest request;
    request.filter = QtFileFilter(filter);
    request.defaultSuffix = defaultExtension;
    const QStringList chosen = Dialogs().OpenFiles(this, request);
    return chosen.isEmpty() ? QString() : chosen.front();
}

void TSettingForm::BrowseInto(QLineEdit* edit, const QString& filter,
                              const QString& defaultExtension) {
    const QString chosen = BrowseFile(filter, defaultExtension);
    if (!chosen.isEmpty()) {
        edit->setText(chosen);
    }
    ShowEndSelected(edit);
}

void TSettingForm::Button3Click() {
    BrowseInto(DiaryFileNameEdit, U(kTextFilter), QStringLiteral("txt"));
}

void TSettingForm::Button4Click() {
    BrowseInto(HtmlFileNameEdit, U(kHtmlFilter), QStringLiteral("html"));
}

void TSettingForm::Button5Click() {
    BrowseInto(TemplateFileNameEdit, U(kTemplateFilter), QStringLiteral("html"));
}

void TSettingForm::Button6Click() {
    UserDialogs::OpenRequest request;
    request.filter = QtFileFilter(U(kHtmlFilter));
    request.defaultSuffix = QStringLiteral("html");
    request.multiple = true;
    const QStringList chosen = Dialogs().OpenFiles(this, request);
    if (chosen.isEmpty()) {
        return;
    }
    // Each file becomes a whole line of its own after the lines already there; a last line
    // without a line break gets one first, so that no path is joined to it.
    QString added;
    const QString text = OtherFileEdit->toPlainText();
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n'))) {
        added += QLatin1Char('\n');
    }
    for (const QString& file : chosen) {
        added += file + QLatin1Char('\n');
    }
    QTextCursor cursor(OtherFileEdit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(added);
}

void TSettingForm::Button1Click() {
    using namespace SettingsKeys;
    try {
        PrepareSettingsFolder(iniFileName_);
        std::optional<WriterLock> lock;
        LockDiaryOf(iniFileName_, lock);
        SettingsWriter file(iniFileName_);
        auto store = [&file](const char* section, const char* key, const QLineEdit* edit) {
            file.Text(section, key, ToShiftJis(edit->text()));
        };
        store(kFiles, "DiaryFileName", DiaryFileNameEdit);
        store(kFiles, "HtmlFileName", HtmlFileNameEdit);
        store(kFiles, "TemplateFileName", TemplateFileNameEdit);
        store(kSettings, "YearSep", YearEdit);
        store(kSettings, "MonSep", MonEdit);
        store(kSettings, "DaySep", DayEdit);
        store(kSettings, "LenStartString", LenStartEdit);
        store(kSettings, "LenEndString", LenEndEdit);
        file.Text(kSettings, "OtherFiles",
                  StoreOtherFiles(MemoBytes(OtherFileEdit->toPlainText())));
        file.Commit();
    } catch (...) {
        // Nothing was written; the dialog stays open for another try.
        SumirelApplication::ShowCurrentException();
        return;
    }
    accept();
}

void TSettingForm::Button2Click() {
    reject();
}

void TSettingForm::DiaryFileNameEditKeyDown(int key) {
    ControlKeyDown(key);
}

}  // namespace Sumirel

#include "settings/dialogs/Unit2.h"
#include "settings/dialogs/SettingsDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
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

#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/qt/MemoText.h"
#include "platform/qt/ShiftJisCodec.h"
#include "platform/widgets/DesignedSize.h"
#include "platform/widgets/SumirelApplication.h"
#include "platform/widgets/UserDialogs.h"
#include "settings/LoadSettings.h"
#include "settings/Settings.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsPlace.h"
#include "settings/SettingsTable.h"

namespace Sumirel {

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// The browse buttons' filters, as "description|pattern;pattern".
const char kTextFilter[] = "テキストファイル(*.txt)|*.txt";
const char kHtmlFilter[] = "HTMLファイル(*.html;*.htm)|*.html;*.htm";
const char kTemplateFilter[] = "テンプレートファイル(*.html;*.htm)|*.html;*.htm";
const char kFeedFilter[] = "Atomフィード(*.xml;*.atom)|*.xml;*.atom";

// After "'" and the text of a count field.
constexpr char kNotWholeNumber[] = "' は整数ではありません";
constexpr char kNegative[] = "' は0以上の整数ではありません";

// "description|*.a;*.b" in Qt's form "description (*.a *.b)". A description that already
// ends with its patterns in parentheses, as "テキストファイル(*.txt)", loses them, since Qt
// shows the patterns itself; any other description is kept whole.
QString QtFileFilter(const QString& filter) {
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0) {
        return filter;
    }
    QString patterns = filter.mid(bar + 1);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    QString description = filter.left(bar);
    const qsizetype open = description.lastIndexOf(QLatin1Char('('));
    if (open >= 0 && description.endsWith(QLatin1Char(')'))) {
        QString shown = description.mid(open + 1, description.size() - open - 2);
        shown.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (shown.simplified() == patterns.simplified()) {
            description = description.left(open).trimmed();
        }
    }
    return description + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

// The number in a count field, 0 or more; throws PlatformError naming the text otherwise.
std::int32_t Count(const QLineEdit* edit) {
    const std::string text = ToShiftJis(edit->text());
    std::int32_t count = 0;
    if (!ParseIniInteger(text, count)) {
        throw PlatformError("'" + text + ToShiftJis(U(kNotWholeNumber)));
    }
    if (count < 0) {
        throw PlatformError("'" + text + ToShiftJis(U(kNegative)));
    }
    return count;
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

    auto group = [this](const char* name, const QString& caption) {
        auto* g = new QGroupBox(caption, this);
        g->setObjectName(name);
        return g;
    };
    // A group's rows, inside the frame and below its caption.
    auto inGroup = [](QLayout* rows) {
        rows->setContentsMargins(8, 2, 8, 6);
        return rows;
    };
    auto label = [](QWidget* owner, const char* name, const QString& caption) {
        auto* l = new QLabel(caption, owner);
        l->setObjectName(name);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };
    auto edit = [](QWidget* owner, const char* name) {
        auto* e = new QLineEdit(owner);
        e->setObjectName(name);
        return e;
    };
    // The date separators' edits keep their designed narrow width.
    auto narrow = [](QWidget* owner, const char* name) {
        auto* e = new DesignedEdit(60, owner);
        e->setObjectName(name);
        return e;
    };
    auto button = [](QWidget* owner, const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, owner);
        b->setObjectName(name);
        return b;
    };

    // Each file: its caption above, the path (which widens with the dialog) and its browse
    // button below.
    FileGroupBox = group("FileGroupBox", U("ファイル"));
    auto* files = new QGridLayout(FileGroupBox);
    inGroup(files);
    files->setColumnStretch(0, 1);
    files->setVerticalSpacing(0);
    int fileRow = 0;
    auto addFile = [&](QLabel* caption, QWidget* path, QPushButton* browse) {
        if (fileRow > 0) {
            files->setRowMinimumHeight(fileRow++, 3);
        }
        files->addWidget(caption, fileRow++, 0, 1, 2);
        files->addWidget(path, fileRow, 0);
        files->addWidget(browse, fileRow++, 1, Qt::AlignTop);
    };
    Label1 = label(FileGroupBox, "Label1", U("日記ファイル名"));
    DiaryFileNameEdit = edit(FileGroupBox, "DiaryFileNameEdit");
    Button3 = button(FileGroupBox, "Button3", U("参照"));
    addFile(Label1, DiaryFileNameEdit, Button3);
    Label2 = label(FileGroupBox, "Label2", U("出力HTMLファイル名"));
    HtmlFileNameEdit = edit(FileGroupBox, "HtmlFileNameEdit");
    Button4 = button(FileGroupBox, "Button4", U("参照"));
    addFile(Label2, HtmlFileNameEdit, Button4);
    Label3 = label(FileGroupBox, "Label3", U("テンプレートファイル"));
    TemplateFileNameEdit = edit(FileGroupBox, "TemplateFileNameEdit");
    Button5 = button(FileGroupBox, "Button5", U("参照"));
    addFile(Label3, TemplateFileNameEdit, Button5);
    Label4 = label(FileGroupBox, "Label4", U("外部対象ファイル"));
    OtherFileEdit = new QPlainTextEdit(FileGroupBox);
    OtherFileEdit->setObjectName("OtherFileEdit");
    OtherFileEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    OtherFileEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control, as in the single-line edits: a path holds no tab.
    OtherFileEdit->setTabChangesFocus(true);
    Button6 = button(FileGroupBox, "Button6", U("参照"));
    addFile(Label4, OtherFileEdit, Button6);
    files->setRowStretch(fileRow - 1, 1);
    AddRow(FileGroupBox, 1);

    // One row: year label, separator after the year, month label, and so on.
    DateGroupBox = group("DateGroupBox", U("日付"));
    auto* date = new QHBoxLayout(DateGroupBox);
    inGroup(date);
    Label5 = label(DateGroupBox, "Label5", U("年"));
    YearEdit = narrow(DateGroupBox, "YearEdit");
    Label6 = label(DateGroupBox, "Label6", U("月"));
    MonEdit = narrow(DateGroupBox, "MonEdit");
    Label7 = label(DateGroupBox, "Label7", U("日"));
    DayEdit = narrow(DateGroupBox, "DayEdit");
    for (auto [caption, field] :
         {std::pair<QLabel*, QLineEdit*>{Label5, YearEdit}, {Label6, MonEdit}, {Label7, DayEdit}}) {
        if (caption != Label5) {
            date->addSpacing(12);
        }
        date->addWidget(caption);
        date->addWidget(field);
    }
    date->addStretch(1);
    AddRow(DateGroupBox);

    LineGroupBox = group("LineGroupBox", U("挿入"));
    auto* line = new QHBoxLayout(LineGroupBox);
    inGroup(line);
    Label8 = label(LineGroupBox, "Label8", U("行頭"));
    LenStartEdit = edit(LineGroupBox, "LenStartEdit");
    Label9 = label(LineGroupBox, "Label9", U("行末"));
    LenEndEdit = edit(LineGroupBox, "LenEndEdit");
    line->addWidget(Label8);
    line->addWidget(LenStartEdit, 1);
    line->addSpacing(12);
    line->addWidget(Label9);
    line->addWidget(LenEndEdit, 1);
    AddRow(LineGroupBox);

    BackupGroupBox = group("BackupGroupBox", U("バックアップ"));
    auto* backup = new QHBoxLayout(BackupGroupBox);
    inGroup(backup);
    Label10 = label(BackupGroupBox, "Label10", U("バックアップ数"));
    BackupCountEdit = narrow(BackupGroupBox, "BackupCountEdit");
    BackupCountEdit->setToolTip(
        U("日記とテンプレートを置き換える前の版をいくつ残すか（0で残さない）"));
    backup->addWidget(Label10);
    backup->addWidget(BackupCountEdit);
    backup->addStretch(1);
    AddRow(BackupGroupBox);

    // Captions left of their fields; the file's browse button right of it.
    FeedGroupBox = group("FeedGroupBox", U("フィード (Atom)"));
    auto* feed = new QGridLayout(FeedGroupBox);
    inGroup(feed);
    feed->setColumnStretch(1, 1);
    feed->setHorizontalSpacing(6);
    feed->setVerticalSpacing(4);
    Label11 = label(FeedGroupBox, "Label11", U("ファイル名"));
    FeedFileNameEdit = edit(FeedGroupBox, "FeedFileNameEdit");
    FeedFileNameEdit->setPlaceholderText(U("空欄ならフィードを作らない"));
    Button7 = button(FeedGroupBox, "Button7", U("参照"));
    Label12 = label(FeedGroupBox, "Label12", U("ページのURL"));
    FeedUrlEdit = edit(FeedGroupBox, "FeedUrlEdit");
    FeedUrlEdit->setPlaceholderText(QStringLiteral("https://example.org/diary/Diary.html"));
    Label13 = label(FeedGroupBox, "Label13", U("タイトル"));
    FeedTitleEdit = edit(FeedGroupBox, "FeedTitleEdit");
    FeedTitleEdit->setPlaceholderText(U("空欄ならページの題"));
    Label14 = label(FeedGroupBox, "Label14", U("エントリ数"));
    FeedEntriesEdit = narrow(FeedGroupBox, "FeedEntriesEdit");
    feed->addWidget(Label11, 0, 0);
    feed->addWidget(FeedFileNameEdit, 0, 1);
    feed->addWidget(Button7, 0, 2);
    feed->addWidget(Label12, 1, 0);
    feed->addWidget(FeedUrlEdit, 1, 1, 1, 2);
    feed->addWidget(Label13, 2, 0);
    feed->addWidget(FeedTitleEdit, 2, 1, 1, 2);
    feed->addWidget(Label14, 3, 0);
    feed->addWidget(FeedEntriesEdit, 3, 1, Qt::AlignLeft);
    AddRow(FeedGroupBox);

    Button1 = button(this, "Button1", QStringLiteral("OK"));
    Button2 = button(this, "Button2", U("キャンセル"));
    SetButtons(Button1, Button2);

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
                              LenEndEdit,
                              BackupCountEdit,
                              FeedFileNameEdit,
                              Button7,
                              FeedUrlEdit,
                              FeedTitleEdit,
                              FeedEntriesEdit};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    Button1->setFocus();

    // Escape cancels from these; on a browse button it does nothing.
    CancelOnEscape(
        Button2, {DiaryFileNameEdit, HtmlFileNameEdit, TemplateFileNameEdit, OtherFileEdit,
                  YearEdit, MonEdit, DayEdit, LenStartEdit, LenEndEdit, BackupCountEdit,
                  FeedFileNameEdit, FeedUrlEdit, FeedTitleEdit, FeedEntriesEdit, Button1, Button2});

    connect(Button1, &QPushButton::clicked, this, &TSettingForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TSettingForm::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TSettingForm::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TSettingForm::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TSettingForm::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TSettingForm::Button6Click);
    connect(Button7, &QPushButton::clicked, this, &TSettingForm::Button7Click);

    // After a browse, chosen or cancelled, the keyboard is back in the field it filled, so
    // that Enter and Escape work on at once (the browse buttons take neither).
    const std::pair<QPushButton*, QWidget*> browsed[] = {{Button3, DiaryFileNameEdit},
                                                         {Button4, HtmlFileNameEdit},
                                                         {Button5, TemplateFileNameEdit},
                                                         {Button6, OtherFileEdit},
                                                         {Button7, FeedFileNameEdit}};
    for (auto [browse, field] : browsed) {
        connect(browse, &QPushButton::clicked, field, [this, field = field] {
            activateWindow();
            field->setFocus(Qt::OtherFocusReason);
        });
    }

    // The counts hold a number even when the file cannot be read, so that OK then reports the
    // file rather than an empty field.
    BackupCountEdit->setText(QString::number(
        DefaultNumber(FindSettingRow(SettingsKeys::kSettings, "BackupCount"), std::nullopt)));
    FeedEntriesEdit->setText(QString::number(
        DefaultNumber(FindSettingRow(SettingsKeys::kFeed, "Entries"), std::nullopt)));

    // The designed 349 by 394 pixels, and the backup and feed groups below.
    InitialClientSize(
        349, 394 + BackupGroupBox->sizeHint().height() + FeedGroupBox->sizeHint().height() + 8);
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
    BackupCountEdit->setText(QString::number(file.Integer(kSettings, "BackupCount")));
    show(FeedFileNameEdit, kFeed, "FileName");
    show(FeedUrlEdit, kFeed, "Url");
    show(FeedTitleEdit, kFeed, "Title");
    FeedEntriesEdit->setText(QString::number(file.Integer(kFeed, "Entries")));

    ShowEndSelected(DiaryFileNameEdit);
    ShowEndSelected(HtmlFileNameEdit);
    ShowEndSelected(TemplateFileNameEdit);
    ShowEndSelected(FeedFileNameEdit);
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

void TSettingForm::Button7Click() {
    BrowseInto(FeedFileNameEdit, U(kFeedFilter), QStringLiteral("xml"));
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
        file.Integer(kSettings, "BackupCount", Count(BackupCountEdit));
        store(kFeed, "FileName", FeedFileNameEdit);
        store(kFeed, "Url", FeedUrlEdit);
        store(kFeed, "Title", FeedTitleEdit);
        file.Integer(kFeed, "Entries", Count(FeedEntriesEdit));
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

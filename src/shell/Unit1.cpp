#include "shell/Unit1.h"

#include <QAction>
#include <QCloseEvent>
#include <QDate>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QTime>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "diary/Commands.h"
#include "diary/Messages.h"
#include "platform/FileIO.h"
#include "platform/FileStamp.h"
#include "platform/WriterLock.h"
#include "platform/qt/DialUp.h"
#include "platform/qt/FtpClient.h"
#include "platform/qt/MemoText.h"
#include "platform/qt/ShiftJisCodec.h"
#include "platform/widgets/DesignedSize.h"
#include "platform/widgets/FormStyle.h"
#include "platform/widgets/SumirelApplication.h"
#include "platform/widgets/UserDialogs.h"
#include "publish/UploadSetup.h"
#include "publish/window/UpdateUnit.h"
#include "settings/LoadSettings.h"
#include "settings/SettingsTable.h"
#include "settings/dialogs/FTPUnit.h"
#include "settings/dialogs/Unit2.h"
#include "shell/AboutUnit.h"
#include "shell/EditActions.h"
#include "shell/EntryDraft.h"
#include "shell/FileEditorSheet.h"
#include "shell/HelpWindow.h"
#include "shell/SheetLayout.h"
#include "shell/WindowCommandUi.h"
#include "shell/WindowPlace.h"

namespace Sumirel {

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

void SetHint(QWidget* widget, const QString& hint) {
    widget->setToolTip(hint);
    widget->setStatusTip(hint);
}

QAction* MenuItem(QMenu* menu, const char* name, const QString& caption, const QString& hint) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setStatusTip(hint);
    return action;
}

// The entry form is saved this long after its last change.
constexpr int kDraftDelayMs = 2000;

const char kTemplateCaption[] = "テンプレート";
const char kDiaryCaption[] = "日記ファイル";

}  // namespace

TSumirelForm::TSumirelForm(PreviewFactory previewFactory, std::unique_ptr<DialUp> ras,
                           QWidget* parent)
    : QMainWindow(parent),
      FTP(std::make_unique<FtpClient>()),
      RAS(ras ? std::move(ras) : CreateSystemDialUp()),
      previewFactory_(std::move(previewFactory)) {
    setObjectName("SumirelForm");
    setWindowTitle(QStringLiteral("Sumirel"));
    resize(572, 452);
    ApplyFormFont(*this);

    ActionList1 = new EditActions(this);
    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    setCentralWidget(PageControl);
    statusBar()->setObjectName("StatusBar1");

    BuildMainSheet();
    PreViewSheet = new QWidget;
    PreViewSheet->setObjectName("PreViewSheet");
    auto* previewLayout = new QVBoxLayout(PreViewSheet);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    TemplateSheet = new FileEditorSheet(*ActionList1, "TemplateEditor", "TemplateSaveButton");
    TemplateSheet->setObjectName("TemplateSheet");
    DiaryFileSheet = new FileEditorSheet(*ActionList1, "DiaryEditor", "DiarySaveButton");
    DiaryFileSheet->setObjectName("DiaryFileSheet");
    TemplateEditor = TemplateSheet->Editor;
    TemplateSaveButton = TemplateSheet->SaveButton;
    DiaryEditor = DiaryFileSheet->Editor;
    DiarySaveButton = DiaryFileSheet->SaveButton;
    // Templates and diaries are edited as plain text, column by column.
    for (QPlainTextEdit* editor : {TemplateEditor, DiaryEditor}) {
        editor->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    }

    PageControl->addTab(MainSheet, U("基本"));
    PageControl->addTab(PreViewSheet, U("プレビュー"));
    PageControl->addTab(TemplateSheet, U(kTemplateCaption));
    PageControl->addTab(DiaryFileSheet, U(kDiaryCaption));
    PageControl->setCurrentIndex(0);
    BuildMenus();

    connect(PageControl, &QTabWidget::currentChanged, this, &TSumirelForm::PageControlChange);
    connect(WriteButton, &QPushButton::clicked, this, &TSumirelForm::WriteButtonClick);
    connect(ReBuildButton, &QPushButton::clicked, this, &TSumirelForm::ReBuildButtonClick);
    connect(TemplateSaveButton, &QPushButton::clicked, this,
            &TSumirelForm::TemplateSaveButtonClick);
    connect(DiarySaveButton, &QPushButton::clicked, this, &TSumirelForm::DiarySaveButtonClick);
    for (auto [sheet, caption] :
         {std::pair{TemplateSheet, kTemplateCaption}, std::pair{DiaryFileSheet, kDiaryCaption}}) {
        connect(sheet->Editor->document(), &QTextDocument::modificationChanged, this,
                [this, sheet, caption] { UpdateTabCaption(sheet, U(caption)); });
    }
    SaveTab = new QAction(this);
    SaveTab->setObjectName("SaveTab");
    SaveTab->setShortcut(QKeySequence::Save);
    SaveTab->setShortcutContext(Qt::WindowShortcut);
    addAction(SaveTab);
    connect(SaveTab, &QAction::triggered, this, &TSumirelForm::SaveCurrentTab);
    WatchEntryForm();

    IniFileName = SettingsFileName();
    // The client starts on the settings table's port, the default of Port until an upload
    // sets it from the settings file.
    FTP->Port = DefaultNumber(FindSettingRow(SettingsKeys::kFtp, "Port"), std::nullopt);
    RestoreWindowPlace();
}

TSumirelForm::~TSumirelForm() {
    // Typing of the last two seconds is still only in the form.
    if (DraftTimer->isActive()) {
        DraftTimer->stop();
        SaveDraftNow();
    }
}

void TSumirelForm::WatchEntryForm() {
    DraftTimer = new QTimer(this);
    DraftTimer->setObjectName("DraftTimer");
    DraftTimer->setSingleShot(true);
    DraftTimer->setInterval(kDraftDelayMs);
    connect(DraftTimer, &QTimer::timeout, this, &TSumirelForm::SaveDraftNow);
    const auto changed = [this] {
        if (!fillingForm_) {
            DraftTimer->start();
        }
    };
    for (QLineEdit* edit : {DateEdit, WheatherEdit, TitleEdit}) {
        connect(edit, &QLineEdit::textChanged, this, changed);
    }
    connect(ContentsEdit, &QPlainTextEdit::textChanged, this, changed);
}

void TSumirelForm::SaveDraftNow() {
    if (settings_.DiaryFileName.empty()) {
        return;
    }
    try {
        SaveDraft(settings_.DiaryFileName,
                  {ToShiftJis(DateEdit->text()), ToShiftJis(WheatherEdit->text()),
                   ToShiftJis(TitleEdit->text()), MemoBytes(ContentsEdit->toPlainText())});
    } catch (const std::exception& error) {
        // Said where it does not stop the typing; the next change tries again.
        statusBar()->showMessage(U("下書きを保存できません: ") + FromShiftJis(error.what()));
    }
}

void TSumirelForm::RestoreDraft() {
    if (settings_.DiaryFileName.empty()) {
        return;
    }
    const std::optional<SDiary> draft = LoadDraft(settings_.DiaryFileName);
    if (!draft) {
        return;
    }
    fillingForm_ = true;
    DateEdit->setText(FromShiftJis(draft->Date));
    WheatherEdit->setText(FromShiftJis(draft->Wheather));
    TitleEdit->setText(FromShiftJis(draft->Title));
    ContentsEdit->setPlainText(MemoDisplayText(draft->Contents));
    fillingForm_ = false;
    statusBar()->showMessage(U("前回書き込まなかった下書きを復元しました"));
}

void TSumirelForm::UpdateTabCaption(FileEditorSheet* sheet, const QString& caption) {
    PageControl->setTabText(PageControl->indexOf(sheet),
                            sheet->IsModified() ? caption + "*" : caption);
}

// The entry tab in Qt layouts after its design: the row of date, weather and title at the
// top, each caption on its field's baseline; the contents box filling the tab; the two
// buttons at the bottom right. The edits keep their designed widths (wider with a larger
// font), and the layout's minimum is the smallest size at which every control stays whole.
void TSumirelForm::BuildMainSheet() {
    MainSheet = new QWidget;
    MainSheet->setObjectName("MainSheet");
    auto label = [](const char* name, const QString& caption, QWidget* buddy) {
        auto* l = new QLabel(caption);
        l->setObjectName(name);
        l->setBuddy(buddy);
        // As tall as its field's row and centred in it, as the field centres its text: both
        // texts stand on one baseline.
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };
    auto edit = [](const char* name, int designWidth) {
        auto* e = new DesignedEdit(designWidth);
        e->setObjectName(name);
        return e;
    };
    DateEdit = edit("DateEdit", 92);
    WheatherEdit = edit("WheatherEdit", 53);
    TitleEdit = edit("TitleEdit", 148);
    ContentsEdit = new QPlainTextEdit;
    ContentsEdit->setObjectName("ContentsEdit");
    ContentsEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    ContentsEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ContentsEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ContentsEdit->setTabChangesFocus(false);
    ActionList1->Attach(ContentsEdit);

    Label1 = label("Label1", U("日付(&D)"), DateEdit);
    Label2 = label("Label2", U("天気(&W)"), WheatherEdit);
    Label3 = label("Label3", U("題名(&T)"), TitleEdit);
    Label4 = label("Label4", U("内容(&C)"), ContentsEdit);

    WriteButton = new DesignedButton(U("書き込み(&E)"), SheetLayout::kRightButton.size());
    WriteButton->setObjectName("WriteButton");
    SetHint(WriteButton, U("現在の内容で書き込みます。"));
    ReBuildButton = new DesignedButton(U("再構築(&R)"), {104, 27});
    ReBuildButton->setObjectName("ReBuildButton");
    SetHint(ReBuildButton, U("日記を再構築します。ファイルを直接編集したときに使用してください。"));

    auto* fields = new QHBoxLayout;
    fields->setContentsMargins(9, 9, 9, 0);
    fields->setSpacing(4);
    const struct {
        QLabel* caption;
        QLineEdit* field;
        int gapBefore;
    } row[] = {{Label1, DateEdit, 0}, {Label2, WheatherEdit, 11}, {Label3, TitleEdit, 17}};
    for (const auto& item : row) {
        fields->addSpacing(item.gapBefore);
        fields->addWidget(item.caption);
        fields->addWidget(item.field);
    }
    fields->addStretch(1);

    auto* contentsCaption = new QHBoxLayout;
    contentsCaption->setContentsMargins(17, 0, 0, 0);
    contentsCaption->addWidget(Label4);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 11, 16, 9);
    buttons->setSpacing(4);
    buttons->addStretch(1);
    buttons->addWidget(ReBuildButton);
    buttons->addWidget(WriteButton);

    auto* sheet = new QVBoxLayout(MainSheet);
    sheet->setContentsMargins(0, 0, 0, 0);
    sheet->setSpacing(0);
    sheet->addLayout(fields);
    sheet->addSpacing(16);
    sheet->addLayout(contentsCaption);
    sheet->addSpacing(3);
    sheet->addWidget(ContentsEdit, 1);
    sheet->addLayout(buttons);

    setTabOrder(DateEdit, WheatherEdit);
    setTabOrder(WheatherEdit, TitleEdit);
    setTabOrder(TitleEdit, ContentsEdit);
    setTabOrder(ContentsEdit, WriteButton);
    setTabOrder(WriteButton, ReBuildButton);
}

void TSumirelForm::BuildMenus() {
    QMenu* file = menuBar()->addMenu(U("ファイル(&F)"));
    file->setObjectName("File1");
    FTPP1 = MenuItem(file, "FTPP1", U("FTPへ転送(&P)"), {});
    file->addSeparator();
    Exit1 = MenuItem(file, "Exit1", U("終了(&X)"), U("Sumirelを終了します"));

    QMenu* other = menuBar()->addMenu(U("その他(&O)"));
    other->setObjectName("O1");
    S1 = MenuItem(other, "S1", U("設定(&S)"), U("Sumirelの設定を変更します"));
    FTP1 = MenuItem(other, "FTP1", U("FTP設定"), {});
    other->addSeparator();
    Help1 = MenuItem(other, "Help1", U("ヘルプ(&H)"), {});
    Help1->setShortcut(Qt::Key_F1);
    Help1->setShortcutContext(Qt::ApplicationShortcut);
    About1 = MenuItem(other, "About1", U("バージョン情報(&A)"), U("バージョン情報を表示します"));

    connect(S1, &QAction::triggered, this, &TSumirelForm::S1Click);
    connect(FTP1, &QAction::triggered, this, &TSumirelForm::FTP1Click);
    connect(FTPP1, &QAction::triggered, this, &TSumirelForm::FTPP1Click);
    connect(Exit1, &QAction::triggered, this, &TSumirelForm::Exit1Click);
    connect(Help1, &QAction::triggered, this, &TSumirelForm::Help1Click);
    connect(About1, &QAction::triggered, this, &TSumirelForm::About1Click);
}

template <typename Command>
void TSumirelForm::Run(Command&& command) {
    try {
        command();
    } catch (...) {
        SumirelApplication::ShowCurrentException();
    }
}

void TSumirelForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        Run([this] { FormShow(); });
        // The tab of the last run, entered once the settings it shows are loaded.
        PageControl->setCurrentIndex(restoredTab_);
    }
}

void TSumirelForm::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    // Closed, not minimised (the window system's hiding is spontaneous).
    if (!event->spontaneous()) {
        SaveWindowPlace();
    }
}

void TSumirelForm::RestoreWindowPlace() {
    std::optional<WindowPlace> place;
    try {
        place = ReadWindowPlace(WindowPlaceFile());
    } catch (...) {
        // An unreadable state file is as good as none: the window opens at its designed size.
    }
    if (!place) {
        return;
    }
    resize(QSize(place->Width, place->Height).expandedTo(minimumSizeHint()));
    // Only a position on one of today's screens: a screen that is gone would hide the window.
    const QRect frame(place->Left, place->Top, place->Width, place->Height);
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(frame)) {
            move(frame.topLeft());
            break;
        }
    }
    if (place->Maximized) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
    if (place->Tab >= 0 && place->Tab < PageControl->count()) {
        restoredTab_ = place->Tab;
    }
}

void TSumirelForm::SaveWindowPlace() const {
    WindowPlace place;
    // A maximised window keeps the size it had before, for the next time it is restored.
    const QRect normal = isMaximized() ? normalGeometry() : geometry();
    const QPoint frameOffset = geometry().topLeft() - pos();
    place.Left = normal.left() - frameOffset.x();
    place.Top = normal.top() - frameOffset.y();
    place.Width = normal.width();
    place.Height = normal.height();
    place.Maximized = isMaximized();
    place.Tab = PageControl->currentIndex();
    try {
        WriteWindowPlace(WindowPlaceFile(), place);
    } catch (...) {
        // Losing the window's place loses nothing of the user's; the window just opens at
        // its designed size next time. No box on the way out for that.
    }
}

void TSumirelForm::FormShow() {
    LoadSettings(IniFileName);
    FillTodayDate();
    RestoreDraft();
}

void TSumirelForm::closeEvent(QCloseEvent* event) {
    QStringList tabs;
    std::vector<std::pair<FileEditorSheet*, const std::string*>> unsaved;
    if (TemplateSheet->IsModified()) {
        tabs << U(kTemplateCaption);
        unsaved.emplace_back(TemplateSheet, &settings_.TemplateFileName);
    }
    if (DiaryFileSheet->IsModified()) {
        tabs << U(kDiaryCaption);
        unsaved.emplace_back(DiaryFileSheet, &settings_.DiaryFileName);
    }
    if (!unsaved.empty()) {
        const QString question =
            U("%1 のタブに保存していない変更があります。保存しますか？").arg(tabs.join(U("、")));
        switch (Dialogs().AskSaveDiscardCancel(this, FromShiftJis(Messages::kWarningCaption),
                                               question)) {
            case UserDialogs::SaveAnswer::Cancel:
                event->ignore();
                return;
            case UserDialogs::SaveAnswer::Save:
                for (const auto& [sheet, fileName] : unsaved) {
                    if (!SaveSheet(*sheet, *fileName)) {
                        event->ignore();
                        return;
                    }
                }
                break;
            case UserDialogs::SaveAnswer::Discard:
                break;
        }
    }
    QMainWindow::closeEvent(event);
}

void TSumirelForm::LoadSettings(const std::string& iniFileName) {
    settings_ = Sumirel::LoadSettings(iniFileName, FtpPort());
}

void TSumirelForm::FillTodayDate() {
    const QDate today = QDate::currentDate();
    // A proposed date is no typing of the user's: it makes no draft.
    fillingForm_ = true;
    DateEdit->setText(
        FromShiftJis(FormatDate(today.year(), today.month(), today.day(), settings_.Separators)));
    fillingForm_ = false;
}

bool TSumirelForm::DiaryEditsMayStay(const QString& question) {
    return !DiaryFileSheet->IsModified() ||
           Dialogs().AskYesNo(this, FromShiftJis(Messages::kWarningCaption), question);
}

void TSumirelForm::WriteButtonClick() {
    Run([this] {
        // Write replaces the file behind the tab, whose edits would then be saved over it.
        if (!DiaryEditsMayStay(U("日記ファイルのタブに保存していない変更があります。"
                                 "変更を捨てて書き込みますか？"))) {
            return;
        }
        const SDiary entry{ToShiftJis(DateEdit->text()), ToShiftJis(WheatherEdit->text()),
                           ToShiftJis(TitleEdit->text()), MemoBytes(ContentsEdit->toPlainText())};
        const ForgetChangedStamps forget(*this);
        WindowCommandUi ui(this);
        if (WriteCommand(settings_, entry, ui) != CommandResult::NotRun) {
            // The entry is in the diary file now.
            DiaryFileSheet->DiscardEdits();
            DraftTimer->stop();
            RemoveDraft(settings_.DiaryFileName);
        }
    });
}

void TSumirelForm::ReBuildButtonClick() {
    Run([this] {
        if (!DiaryEditsMayStay(U("日記ファイルのタブに保存していない変更があります。"
                                 "保存されている日記ファイルから再構築しますか？"))) {
            return;
        }
        const ForgetChangedStamps forget(*this);
        WindowCommandUi ui(this);
        RebuildCommand(settings_, ui);
    });
}

// A file stamp counts in steps of two seconds, so a command that rewrites the diary or the
// page right after its tab loaded it can leave the stamp unchanged. This forgets the stamp
// of every file the command changed (seen by its exact time and size), however the command
// ends, so that the tab loads the file again: otherwise the diary tab would keep the old
// text, and a later Save would write it over the new entry.
TSumirelForm::ForgetChangedStamps::ForgetChangedStamps(TSumirelForm& form)
    : form_(form),
      diary_(FileSignature(form.settings_.DiaryFileName)),
      page_(FileSignature(form.settings_.HtmlFileName)) {}

TSumirelForm::ForgetChangedStamps::~ForgetChangedStamps() {
    if (FileSignature(form_.settings_.DiaryFileName) != diary_) {
        form_.DiaryFileAge = 0;
    }
    if (FileSignature(form_.settings_.HtmlFileName) != page_) {
        form_.PreviewFileAge = 0;
    }
}

void TSumirelForm::PageControlChange(int index) {
    switch (index) {
        case 1:
            ShowPreview();
            break;
        case 2:
            LoadTemplateEditor();
            break;
        case 3:
            LoadDiaryEditor();
            break;
        default:
            break;
    }
}

void TSumirelForm::ShowPreview() {
    Run([this] {
        if (!preview_) {
            preview_ = previewFactory_(PreViewSheet);
            WB = preview_.get();
            WB->Widget()->setObjectName("WB");
            PreViewSheet->layout()->addWidget(WB->Widget());
        }
        if (settings_.HtmlFileName.empty()) {
            return;
        }
        const std::string path = SheetLayout::InFolder(settings_.HtmlFileName, ExecutableFolder());
        // The view would wait on a FIFO or a device for ever.
        if (!IsRegularFile(path)) {
            return;
        }
        const std::int32_t stamp = FileAgeStamp(path);
        if (stamp == PreviewFileAge) {
            return;
        }
        PreviewFileAge = stamp;
        WB->Navigate(QString::fromStdString(NativePath(path).string()));
    });
}

void TSumirelForm::LoadTemplateEditor() {
    Run([this] { TemplateSheet->Load(settings_.TemplateFileName, TemplateFileAge); });
}

void TSumirelForm::LoadDiaryEditor() {
    Run([this] { DiaryFileSheet->Load(settings_.DiaryFileName, DiaryFileAge); });
}

void TSumirelForm::TemplateSaveButtonClick() {
    SaveSheet(*TemplateSheet, settings_.TemplateFileName);
}

void TSumirelForm::DiarySaveButtonClick() {
    SaveSheet(*DiaryFileSheet, settings_.DiaryFileName);
}

bool TSumirelForm::SaveSheet(FileEditorSheet& sheet, const std::string& fileName) {
    bool saved = false;
    Run([&] {
        // Asked again should the file change between the question and the lock.
        while (!saved) {
            const std::optional<std::string> confirmed = sheet.ConfirmSave(fileName);
            if (!confirmed) {
                return;
            }
            // A Write of another process between this Save's read and its rename would be
            // lost; the lock is taken with no question open, so it is held only briefly.
            std::optional<WriterLock> lock;
            if (!settings_.DiaryFileName.empty()) {
                lock.emplace(settings_.DiaryFileName);
            }
            saved = sheet.SaveIfUnchanged(fileName, settings_.BackupCount, *confirmed);
        }
    });
    return saved;
}

void TSumirelForm::SaveCurrentTab() {
    if (PageControl->currentWidget() == TemplateSheet) {
        TemplateSaveButtonClick();
    } else if (PageControl->currentWidget() == DiaryFileSheet) {
        DiarySaveButtonClick();
    }
}

void TSumirelForm::Help1Click() {
    ShowHelp(this);
}

void TSumirelForm::About1Click() {
    TAboutBox box(this);
    box.exec();
}

void TSumirelForm::Exit1Click() {
    close();
}

std::int32_t TSumirelForm::FtpPort() const {
    return FTP->Port;
}

void TSumirelForm::FTPP1Click() {
    Run([this] {
        // The main window's FTP component keeps the port, the connection dialog's default.
        FTP->Port = settings_.Ftp.Port;
        const std::unique_ptr<UploadClient> client = CreateUploadClient(settings_.Ftp);
        const UploadSetup setup = SetUpUpload(settings_, *client, RAS.get());
        if (!setup.Missing.empty()) {
            return;
        }
        TUpdateForm form(this);
        form.SendFiles = setup.Plan.SendFiles;
        form.RemoteDir = setup.Plan.RemoteDir;
        form.FtpClient_ = client.get();
        form.IniFileName = IniFileName;
        form.DialUpLink = RAS.get();
        form.UseDialUp = setup.Plan.UseDialUp;
        form.HangUpAfter = setup.Plan.HangUpAfter;
        form.BindDialUp(RAS.get());
        form.exec();
        if (!form.TrustedFingerprint.empty()) {
            settings_.Ftp.Fingerprint = form.TrustedFingerprint;
        }
        if (form.Succeeded) {
            statusBar()->showMessage(
                U("%1 ファイルを転送しました (%2)")
                    .arg(form.FilesSent)
                    .arg(QTime::currentTime().toString(QStringLiteral("HH:mm"))));
        }
    });
}

void TSumirelForm::S1Click() {
    Run([this] {
        {
            TSettingForm form(this, IniFileName);
            form.exec();
        }
        // Even after Cancel: the date is proposed afresh with the separators now stored.
        LoadSettings(IniFileName);
        FillTodayDate();
    });
}

void TSumirelForm::FTP1Click() {
    Run([this] {
        {
            TFTPSettingForm form(this, IniFileName);
            form.DefaultPort = FTP->Port;
            form.RasComponent = RAS.get();
            form.exec();
        }
        LoadSettings(IniFileName);
    });
}

}  // namespace Sumirel

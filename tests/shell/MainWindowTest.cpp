#include <sys/stat.h>
#include <unistd.h>

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "diary/DiaryFile.h"
#include "platform/Backups.h"
#include "platform/FileIO.h"
#include "platform/WriterLock.h"
#include "platform/qt/ShiftJisCodec.h"
#include "platform/widgets/SumirelApplication.h"
#include "settings/SettingsPlace.h"
#include "shell/AboutUnit.h"
#include "shell/EditActions.h"
#include "shell/EntryDraft.h"
#include "shell/FakePreview.h"
#include "shell/FileEditorSheet.h"
#include "shell/HelpWindow.h"
#include "shell/Unit1.h"
#include "support/FakeDialogs.h"
#include "support/TempDir.h"

using Sumirel::TSumirelForm;
using SumirelTest::ReadBytes;
using SumirelTest::Sjis;

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString TodayWith(const QString& year, const QString& month, const QString& day) {
    const QDate d = QDate::currentDate();
    return QString::number(d.year()) + year + QString::number(d.month()) + month +
           QString::number(d.day()) + day;
}

// Moves a file's time, so that its two-second stamp surely changes.
void Touch(const std::string& path, int secondsAgo) {
    std::filesystem::last_write_time(
        path, std::filesystem::file_time_type::clock::now() - std::chrono::seconds(secondsAgo));
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<SumirelTest::TempDir> dir;
    std::unique_ptr<SumirelTest::FakeDialogs> dialogs;
    QStringList navigations;
    std::filesystem::path startFolder;

    std::string Ini(const std::string& extra = {}) {
        return dir->Write("sumirel.ini", "[Files]\r\nDiaryFileName=" + dir->File("Diary.txt") +
                                             "\r\nHtmlFileName=" + dir->File("Diary.html") +
                                             "\r\nTemplateFileName=" + dir->File("Template.html") +
                                             "\r\n[Settings]\r\nOtherFiles=" +
                                             dir->File("index.html") + "<\r\n" + extra);
    }

    std::unique_ptr<TSumirelForm> Form(const std::string& ini) {
        auto form = std::make_unique<TSumirelForm>([this](QWidget* parent) {
            return std::make_unique<SumirelTest::FakePreview>(parent, navigations);
        });
        form->IniFileName = ini;
        form->show();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get())) {
            qWarning("window not active");
        }
        return form;
    }

    void Workspace() {
        dir->Write("Diary.txt", "");
        dir->Write("Template.html",
                   "<p><!--sumirel--><!--title-->|<!--contents--><!--end_sumirel--></p>\r\n");
        dir->Write("index.html", "<!--title_sng--><!--/title_sng-->\r\n");
    }

private slots:
    void init() {
        dir = std::make_unique<SumirelTest::TempDir>();
        dialogs = std::make_unique<SumirelTest::FakeDialogs>();
        navigations.clear();
        startFolder = std::filesystem::current_path();
        std::filesystem::current_path(dir->Path());
        // Drafts and the window's remembered place go to the test's own folder, never to
        // the state folder of whoever runs it.
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(dir->File("state")));
    }

    void cleanup() {
        std::filesystem::current_path(startFolder);
        dialogs.reset();
        dir.reset();
    }

    void startupWithoutSettingsFile() {
        auto form = Form(dir->File("none.ini"));
        const Sumirel::Settings& s = form->CurrentSettings();
        QCOMPARE(s.DiaryFileName, dir->Path().string() + "/Diary.txt");
        QCOMPARE(s.HtmlFileName, dir->Path().string() + "/Diary.html");
        QCOMPARE(s.TemplateFileName, dir->Path().string() + "/Template.html");
        QCOMPARE(s.AddStrings.LenEndString, std::string("<BR>"));
        QCOMPARE(s.Ftp.Port, 21);
        QVERIFY(s.OtherFiles.empty());
        QCOMPARE(form->DateEdit->text(), TodayWith("/", "/", ""));
        QCOMPARE(form->PageControl->currentIndex(), 0);
        QCOMPARE(form->windowTitle(), QString("Sumirel"));
        QVERIFY(dialogs->shown.isEmpty());
    }

    // A settings file that cannot be read is shown, and nothing falls back on the default
    // files of the current folder.
    void startupWithUnreadableSettingsFile() {
        const std::string ini = dir->File("sumirel.ini");
        std::filesystem::create_directory(ini);
        Workspace();
        auto form = Form(ini);
        QCOMPARE(dialogs->shown.size(), 1);
        QVERIFY(dialogs->shown[0].startsWith("error[Sumirel]:"));
        QVERIFY(dialogs->shown[0].contains(QString::fromStdString(ini)));
        QVERIFY(form->CurrentSettings().DiaryFileName.empty());
        form->TitleEdit->setText("T");
        form->ContentsEdit->setPlainText("c");
        QTest::mouseClick(form->WriteButton, Qt::LeftButton);
        QCOMPARE(ReadBytes(dir->File("Diary.txt")), std::string());
    }

    void startupWithJapaneseSeparators() {
        auto form = Form(Ini(Sjis("YearSep=年\r\nMonSep=月\r\nDaySep=日\r\n")));
        QCOMPARE(form->DateEdit->text(), TodayWith(U("年"), U("月"), U("日")));
        QCOMPARE(form->CurrentSettings().OtherFiles,
                 std::vector<std::string>{dir->File("index.html")});
    }

    void accessKeysMoveFocus() {
        auto form = Form(Ini());
        const struct {
            Qt::Key key;
            QWidget* target;
        } keys[] = {{Qt::Key_W, form->WheatherEdit},
                    {Qt::Key_T, form->TitleEdit},
                    {Qt::Key_C, form->ContentsEdit},
                    {Qt::Key_D, form->DateEdit}};
        for (const auto& k : keys) {
            QTest::keyClick(form.get(), k.key, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget(), k.target);
        }
        // Tab inserts a tab in the contents instead of leaving it.
        form->ContentsEdit->setFocus();
        QTest::keyClick(form->ContentsEdit, Qt::Key_Tab);
        QCOMPARE(form->ContentsEdit->toPlainText(), QString("\t"));
    }

    // F1 opens our own help window on the build folder's help file, whose links work: a
    // place in the help is shown there, a web address goes to the desktop.
    void f1OpensTheHelpWindow() {
        auto form = Form(Ini());
        QTest::keyClick(form.get(), Qt::Key_F1);
        auto* help = form->findChild<Sumirel::THelpWindow*>();
        QVERIFY(help != nullptr);
        QVERIFY(help->isVisible());
        QCOMPARE(help->Browser->source().toLocalFile(),
                 QString::fromStdString(Sumirel::ExecutableFolder() + "/sumirel.hlp"));
        QVERIFY(help->Browser->toPlainText().contains(U("書き込み")));
        QTest::keyClick(form.get(), Qt::Key_F1);
        QCOMPARE(form->findChildren<Sumirel::THelpWindow*>().size(), 1);

        help->OpenLink(QUrl("#files"));
        QCOMPARE(help->Browser->source().fragment(), QString("files"));
        QVERIFY(dialogs->opened.isEmpty());
        help->OpenLink(QUrl("https://sumirel.example/"));
        QCOMPARE(dialogs->opened, QList<QUrl>{QUrl("https://sumirel.example/")});
        help->close();
    }

    void writeAsksAndCloses_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("contents");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<bool>("written");
        const QString askTitle = U("ask[警告]:タイトルが書かれていませんが、続行しますか？");
        const QString askContents = U("ask[警告]:内容が書かれていませんが、続行しますか？");
        const QString done = U("message[Sumirel]:書き込み完了");
        QTest::newRow("nothing missing") << "T"
                                         << "a\nb" << QList<bool>{} << QStringList{done} << true;
        QTest::newRow("no title, no")
            << ""
            << "a" << QList<bool>{false} << QStringList{askTitle} << false;
        QTest::newRow("both missing, yes yes")
            << ""
            << "" << QList<bool>{true, true} << QStringList{askTitle, askContents, done} << true;
        QTest::newRow("no contents, no")
            << "T"
            << "" << QList<bool>{false} << QStringList{askContents} << false;
    }

    void writeAsksAndCloses() {
        QFETCH(QString, title);
        QFETCH(QString, contents);
        QFETCH(QList<bool>, answers);
        QFETCH(QStringList, shown);
        QFETCH(bool, written);
        Workspace();
        auto form = Form(Ini());
        form->WheatherEdit->setText(U("晴れ"));
        form->TitleEdit->setText(title);
        form->ContentsEdit->setPlainText(contents);
        dialogs->answers.assign(answers.begin(), answers.end());
        QTest::mouseClick(form->WriteButton, Qt::LeftButton);
        QCOMPARE(dialogs->shown, shown);
        const std::string diary = ReadBytes(dir->File("Diary.txt"));
        QCOMPARE(!diary.empty(), written);
        if (written) {
            const Sumirel::SDiary entry{Sumirel::ToShiftJis(form->DateEdit->text()), Sjis("晴れ"),
                                        title.toStdString(),
                                        contents == "a\nb" ? "a\r\nb" : contents.toStdString()};
            QCOMPARE(diary, Sumirel::FormatEntryBlock(entry) + "\r\n");
            QVERIFY(ReadBytes(dir->File("Diary.html")).find(title.toStdString() + "|") !=
                    std::string::npos);
            // The fields keep what was typed.
            QCOMPARE(form->TitleEdit->text(), title);
        }
    }

    void rebuildAfterHandEdit() {
        Workspace();
        auto form = Form(Ini());
        dir->Write("Diary.txt", Sumirel::FormatEntryBlock({"d", "w", "edited", "x"}));
        // The access key presses the button, which clicks a moment later.
        QTest::keyClick(form.get(), Qt::Key_R, Qt::AltModifier);
        QTRY_COMPARE(dialogs->shown, QStringList{U("message[Sumirel]:再構築しました")});
        QCOMPARE(ReadBytes(dir->File("index.html")),
                 std::string("<!--title_sng-->edited<!--/title_sng-->\r\n"));
    }

    void fileErrorReachesTopLevelHandlerAndWindowGoesOn() {
        // No diary file yet: Write fails with a file error, and nothing is created.
        dir->Write("Template.html", "<!--sumirel--><!--title--><!--end_sumirel-->");
        auto form = Form(Ini());
        form->TitleEdit->setText("T");
        form->ContentsEdit->setPlainText("c");
        QTest::mouseClick(form->WriteButton, Qt::LeftButton);
        QCOMPARE(dialogs->shown.size(), 1);
        QVERIFY(dialogs->shown[0].startsWith("error[Sumirel]:"));
        QVERIFY(dialogs->shown[0].contains(QString::fromStdString(dir->File("Diary.txt"))));
        QCOMPARE(ReadBytes(dir->File("Diary.txt")), std::string("<missing>"));

        dir->Write("Diary.txt", "");
        dir->Write("index.html", "");
        QTest::mouseClick(form->WriteButton, Qt::LeftButton);
        QCOMPARE(dialogs->shown.last(), U("message[Sumirel]:書き込み完了"));
    }

    void notifyShowsEscapedException() {
        struct Thrower : QObject {
            bool event(QEvent*) override { throw std::runtime_error("escaped"); }
        } thrower;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&thrower, &event);
        QCOMPARE(dialogs->shown, QStringList{"error[Sumirel]:escaped"});
    }

    void editActionsEnabledOnlyWhenTheyApply() {
        auto form = Form(Ini());
        Sumirel::EditActions& a = *form->ActionList1;
        QPlainTextEdit* edit = form->ContentsEdit;
        QApplication::clipboard()->clear();
        a.UpdateFor(edit);
        for (QAction* action : {a.Undo1, a.Cut1, a.Copy1, a.Paste1, a.Delete1, a.A1}) {
            QVERIFY2(!action->isEnabled(), qPrintable(action->text()));
        }
        edit->setFocus();
        QTest::keyClicks(edit, "hello");
        a.UpdateFor(edit);
        QVERIFY(a.Undo1->isEnabled());
        QVERIFY(a.A1->isEnabled());
        QVERIFY(!a.Copy1->isEnabled());
        a.A1->trigger();
        a.UpdateFor(edit);
        QVERIFY(a.Cut1->isEnabled() && a.Copy1->isEnabled() && a.Delete1->isEnabled());
        a.Copy1->trigger();
        a.Delete1->trigger();
        QCOMPARE(edit->toPlainText(), QString());
        a.UpdateFor(edit);
        QVERIFY(a.Paste1->isEnabled());
        QVERIFY(!a.Cut1->isEnabled());
        a.Paste1->trigger();
        QCOMPARE(edit->toPlainText(), QString("hello"));
        QCOMPARE(a.Undo1->text(), U("元に戻す(&U)"));
        QCOMPARE(a.Undo1->shortcut(), QKeySequence(QKeySequence::Undo));
    }

    void previewNavigatesOnlyWhenPageChanged() {
        Workspace();
        auto form = Form(Ini());
        const std::string page = dir->Write("Diary.html", "<p>old</p>");
        Touch(page, 30);
        form->PageControl->setCurrentIndex(1);
        QCOMPARE(navigations, QStringList{QString::fromStdString(page)});
        form->PageControl->setCurrentIndex(0);
        form->PageControl->setCurrentIndex(1);
        QCOMPARE(navigations.size(), 1);

        form->PageControl->setCurrentIndex(0);
        form->TitleEdit->setText("T");
        form->ContentsEdit->setPlainText("c");
        QTest::mouseClick(form->WriteButton, Qt::LeftButton);
        form->PageControl->setCurrentIndex(1);
        QCOMPARE(navigations.size(), 2);
    }

    void diaryEditorReloadsAfterWrite() {
        Workspace();
        auto form = Form(Ini());
        form->PageControl->setCurrentIndex(3);
        form->DiaryEditor->setPlainText("unsaved");
        form->PageControl->setCurrentIndex(0);
        form->TitleEdit->setText("T");
        form->ContentsEdit->setPlainText("c");
        QTest::mouseClick(form->WriteButton, Qt::LeftButton);
        form->PageControl->setCurrentIndex(3);
        QVERIFY(form->DiaryEditor->toPlainText().startsWith("<Start>\n<Date>"));
    }

    void saveKeepsCaretAndUndo() {
        Workspace();
        auto form = Form(Ini());
        const std::string templ = dir->File("Template.html");
        Touch(templ, 30);
        form->PageControl->setCurrentIndex(2);
        QPlainTextEdit* editor = form->TemplateEditor;
        editor->moveCursor(QTextCursor::End);
        editor->setFocus();
        QTest::keyClicks(editor, "X");
        const int caret = editor->textCursor().position();
        QTest::mouseClick(form->TemplateSaveButton, Qt::LeftButton);
        QVERIFY(ReadBytes(templ).ends_with("</p>\r\nX"));
        Touch(templ, 10);
        form->PageControl->setCurrentIndex(0);
        form->PageControl->setCurrentIndex(2);
        QCOMPARE(editor->textCursor().position(), caret);
        QVERIFY(editor->document()->isUndoAvailable());
    }

    void relativeNamesResolved() {
        // The preview looks beside the program, the editors in the current folder.
        const std::string exeFolder = Sumirel::ExecutableFolder();
        const std::string page = exeFolder + "/sumirel-test-page.html";
        SumirelTest::TempDir other;
        Sumirel::WriteFileAtomic(page, "<p>beside the program</p>");
        dir->Write("T.html", "in the current folder");
        auto form = Form(dir->Write("sumirel.ini",
                                    "[Files]\r\nHtmlFileName=sumirel-test-page.html\r\n"
                                    "TemplateFileName=T.html\r\n"));
        form->PageControl->setCurrentIndex(1);
        form->PageControl->setCurrentIndex(2);
        std::filesystem::remove(page);
        QCOMPARE(navigations, QStringList{QString::fromStdString(page)});
        QCOMPARE(form->TemplateEditor->toPlainText(), QString("in the current folder"));
    }

    void settingsDialogsReloadTheSettings() {
        auto form = Form(Ini());
        // Answers the dialog the command opens: OK after a change, or Cancel.
        const auto answer = [](const char* edit, const QString& text, const char* button) {
            QTimer::singleShot(0, [=] {
                QWidget* dialog = QApplication::activeModalWidget();
                QVERIFY(dialog != nullptr);
                if (edit != nullptr) {
                    dialog->findChild<QLineEdit*>(edit)->setText(text);
                }
                dialog->findChild<QPushButton*>(button)->click();
            });
        };
        form->DateEdit->setText("typed");
        answer("LenEndEdit", "<br/>", "Button1");
        form->S1Click();
        QCOMPARE(form->CurrentSettings().AddStrings.LenEndString, std::string("<br/>"));
        QCOMPARE(form->DateEdit->text(), TodayWith("/", "/", ""));

        // Cancel still resets the date to today's.
        form->DateEdit->setText("typed");
        answer(nullptr, {}, "Button2");
        form->S1Click();
        QCOMPARE(form->DateEdit->text(), TodayWith("/", "/", ""));

        // The connection dialog reloads the settings but leaves the date alone.
        form->DateEdit->setText("typed");
        answer("PortEdit", "$16", "Button1");
        form->FTP1Click();
        QCOMPARE(form->CurrentSettings().Ftp.Port, 22);
        QCOMPARE(form->DateEdit->text(), QString("typed"));
        answer("HostNameEdit", "example.org", "Button1");
        form->FTP1Click();
        QCOMPARE(form->CurrentSettings().Ftp.HostName, std::string("example.org"));
        QVERIFY(dialogs->shown.isEmpty());
    }

    void draftOutlivesTheWindowUntilWrite() {
        Workspace();
        const std::string diary = dir->File("Diary.txt");
        const std::string draft = Sumirel::DraftFileName(diary);
        {
            auto form = Form(Ini());
            QTest::qWait(100);
            QVERIFY2(!Sumirel::FileExists(draft), "a proposed date made a draft");
            form->TitleEdit->setText(U("題名"));
            // The timer saves it without any Write...
            QTRY_VERIFY_WITH_TIMEOUT(Sumirel::FileExists(draft), 10000);
            form->ContentsEdit->setPlainText(U("一行目\n二行目"));
            // ...and the window, destroyed before the timer ran again, saves the rest.
        }
        struct stat info {};
        QCOMPARE(::stat(draft.c_str(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);

        auto form = Form(Ini());
        QCOMPARE(form->TitleEdit->text(), U("題名"));
        QCOMPARE(form->ContentsEdit->toPlainText(), U("一行目\n二行目"));
        QVERIFY(form->statusBar()->currentMessage().contains(U("下書き")));
        QTest::mouseClick(form->WriteButton, Qt::LeftButton);
        QCOMPARE(dialogs->shown, QStringList{U("message[Sumirel]:書き込み完了")});
        QVERIFY(!Sumirel::FileExists(draft));
        form.reset();
        QVERIFY2(!Sumirel::FileExists(draft), "a written entry came back as a draft");
    }

    void secondWriteOfTheSameEntryAsks() {
        Workspace();
        auto form = Form(Ini());
        form->TitleEdit->setText("T");
        form->ContentsEdit->setPlainText("a\nb");
        QTest::mouseClick(form->WriteButton, Qt::LeftButton);
        const std::string once = ReadBytes(dir->File("Diary.txt"));
        dialogs->answers = {false};
        QTest::mouseClick(form->WriteButton, Qt::LeftButton);
        QCOMPARE(dialogs->shown.last(), U("ask[警告]:最新の日記と日付・天気・題名・内容が同じです。"
                                          "もう一度書き込みますか？"));
        QCOMPARE(ReadBytes(dir->File("Diary.txt")), once);
        // The diary was copied before the first Write replaced it.
        QCOMPARE(Sumirel::BackupsOf(dir->File("Diary.txt")).size(), std::size_t{1});
    }

    void writeWhileAnotherWriterHoldsTheLock() {
        Workspace();
        auto form = Form(Ini());
        form->TitleEdit->setText("T");
        form->ContentsEdit->setPlainText("c");
        const Sumirel::WriterLock held(dir->File("Diary.txt"));
        QTest::mouseClick(form->WriteButton, Qt::LeftButton);
        QCOMPARE(dialogs->shown.size(), 1);
        QVERIFY(dialogs->shown[0].startsWith("error[Sumirel]:"));
        QVERIFY(dialogs->shown[0].contains(QString::fromStdString(dir->File("Diary.txt"))));
        QCOMPARE(ReadBytes(dir->File("Diary.txt")), std::string());
    }

    void editorTabsShowAndGuardUnsavedEdits() {
        Workspace();
        auto form = Form(Ini());
        const std::string templ = dir->File("Template.html");
        Touch(templ, 30);
        form->PageControl->setCurrentIndex(2);
        QCOMPARE(form->PageControl->tabText(2), U("テンプレート"));
        form->TemplateEditor->setFocus();
        QTest::keyClicks(form->TemplateEditor, "X");
        QCOMPARE(form->PageControl->tabText(2), U("テンプレート*"));
        QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(ReadBytes(templ).starts_with("X<p>"));
        QCOMPARE(form->PageControl->tabText(2), U("テンプレート"));
        QCOMPARE(Sumirel::BackupsOf(templ).size(), std::size_t{1});

        // Changed on disk after the tab loaded it: Save asks, and No keeps the other text.
        QTest::keyClicks(form->TemplateEditor, "Y");
        dir->Write("Template.html", "changed elsewhere");
        const QString ask = U("ask[警告]:ファイル \"%1\" は、このタブで読み込んだ後に変更されて"
                              "います。上書きしますか？")
                                .arg(QString::fromStdString(templ));
        dialogs->answers = {false};
        QTest::mouseClick(form->TemplateSaveButton, Qt::LeftButton);
        QCOMPARE(dialogs->shown, QStringList{ask});
        QCOMPARE(ReadBytes(templ), std::string("changed elsewhere"));
        QCOMPARE(form->PageControl->tabText(2), U("テンプレート*"));
        dialogs->answers = {true};
        QTest::mouseClick(form->TemplateSaveButton, Qt::LeftButton);
        QVERIFY(ReadBytes(templ).starts_with("XY<p>"));

        // Write and Rebuild ask while the diary tab holds edits; No changes nothing.
        form->PageControl->setCurrentIndex(3);
        form->DiaryEditor->setFocus();
        QTest::keyClicks(form->DiaryEditor, "hand");
        QCOMPARE(form->PageControl->tabText(3), U("日記ファイル*"));
        form->PageControl->setCurrentIndex(0);
        form->TitleEdit->setText("T");
        form->ContentsEdit->setPlainText("c");
        dialogs->shown.clear();
        dialogs->answers = {false, false};
        QTest::mouseClick(form->WriteButton, Qt::LeftButton);
        QTest::mouseClick(form->ReBuildButton, Qt::LeftButton);
        QCOMPARE(dialogs->shown,
                 (QStringList{U("ask[警告]:日記ファイルのタブに保存していない変更があります。"
                                "変更を捨てて書き込みますか？"),
                              U("ask[警告]:日記ファイルのタブに保存していない変更があります。"
                                "保存されている日記ファイルから再構築しますか？")}));
        QCOMPARE(ReadBytes(dir->File("Diary.txt")), std::string());
        QCOMPARE(ReadBytes(dir->File("Diary.html")), std::string("<missing>"));

        // Yes to Write drops the tab's edits, and the tab shows the new entry.
        dialogs->answers = {true};
        QTest::mouseClick(form->WriteButton, Qt::LeftButton);
        QCOMPARE(dialogs->shown.last(), U("message[Sumirel]:書き込み完了"));
        form->PageControl->setCurrentIndex(3);
        QCOMPARE(form->PageControl->tabText(3), U("日記ファイル"));
        QVERIFY(form->DiaryEditor->toPlainText().startsWith("<Start>"));
    }

    void quittingWithUnsavedEditsAsks_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("saved");
        using A = Sumirel::UserDialogs::SaveAnswer;
        QTest::newRow("save") << int(A::Save) << true << true;
        QTest::newRow("discard") << int(A::Discard) << true << false;
        QTest::newRow("cancel") << int(A::Cancel) << false << false;
    }

    void quittingWithUnsavedEditsAsks() {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(bool, saved);
        Workspace();
        auto form = Form(Ini());
        form->PageControl->setCurrentIndex(3);
        form->DiaryEditor->setFocus();
        QTest::keyClicks(form->DiaryEditor, "kept");
        dialogs->saveAnswers = {static_cast<Sumirel::UserDialogs::SaveAnswer>(answer)};
        form->Exit1->trigger();
        QCOMPARE(dialogs->shown,
                 QStringList{U("ask3[警告]:日記ファイル のタブに保存していない変更があります。"
                               "保存しますか？")});
        QCOMPARE(form->isVisible(), !closed);
        QCOMPARE(ReadBytes(dir->File("Diary.txt")), std::string(saved ? "kept" : ""));
        if (!closed) {
            // Nothing unsaved after Discard: the next quit asks nothing.
            form->DiaryFileSheet->DiscardEdits();
            QVERIFY(form->close());
            QCOMPARE(dialogs->shown.size(), 1);
        }
    }

    // Size, position and tab outlive the run, in the state folder and not in the settings.
    void remembersItsPlace() {
        Workspace();
        dir->Write("Diary.txt", "remembered\r\n");
        const std::string ini = Ini();
        const std::string before = ReadBytes(ini);
        {
            auto form = Form(ini);
            QCOMPARE(form->size(), QSize(572, 452));
            form->resize(700, 520);
            form->move(40, 30);
            form->PageControl->setCurrentIndex(3);
            form->close();
        }
        QCOMPARE(ReadBytes(ini), before);
        const std::string place = ReadBytes(dir->File("state/sumirel/window.ini"));
        QVERIFY2(place.find("Width=700\r\nHeight=520\r\n") != std::string::npos, place.c_str());
        QVERIFY2(place.find("Tab=3\r\n") != std::string::npos, place.c_str());

        auto form = Form(ini);
        QCOMPARE(form->size(), QSize(700, 520));
        QCOMPARE(form->pos(), QPoint(40, 30));
        QCOMPARE(form->PageControl->currentIndex(), 3);
        // The remembered tab is entered with the settings loaded: it shows the diary file.
        QVERIFY(form->DiaryEditor->toPlainText().startsWith("remembered"));
    }

    void placeThatCannotBeUsed_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("damaged: no size") << "[Window]\r\nLeft=10\r\nTab=2\r\n";
        QTest::newRow("damaged: not a window file") << "\x01\x02garbage";
        QTest::newRow("off every screen, tab out of range")
            << "[Window]\r\nLeft=-9000\r\nTop=-9000\r\nWidth=10\r\nHeight=10\r\nTab=9\r\n";
    }

    void placeThatCannotBeUsed() {
        QFETCH(QString, file);
        std::filesystem::create_directories(dir->Path() / "state/sumirel");
        dir->Write("state/sumirel/window.ini", file.toStdString());
        auto form = Form(Ini());
        QVERIFY(form->width() >= form->minimumSizeHint().width());
        QVERIFY(form->height() >= form->minimumSizeHint().height());
        QVERIFY(QRect(0, 0, 1024, 768).intersects(form->frameGeometry()));
        QCOMPARE(form->PageControl->currentIndex(), 0);
    }

    void aboutBoxLinks() {
        Sumirel::TAboutBox box;
        QCOMPARE(box.windowTitle(), U("バージョン情報"));
        QCOMPARE(box.Version->text(), QString("Version " SUMIREL_VERSION));
        QVERIFY(
            box.SettingsFile->text().endsWith(QString::fromStdString(Sumirel::SettingsFileName())));
        box.Label1Click();
        box.Label2Click();
        box.Label3Click();
        QCOMPARE(dialogs->opened.size(), 3);
        QCOMPARE(dialogs->opened[0].scheme(), QString("mailto"));
        QCOMPARE(dialogs->opened[1].toString(), box.Label2->text());
        QCOMPARE(dialogs->opened[2].scheme(), QString("mailto"));
    }
};

int main(int argc, char** argv) {
    Sumirel::SumirelApplication app(argc, argv);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MainWindowTest.moc"

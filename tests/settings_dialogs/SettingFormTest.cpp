#include <sys/stat.h>

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <filesystem>

#include "platform/IniFile.h"
#include "settings/dialogs/Unit2.h"
#include "settings_dialogs/DialogFixture.h"

using Sumirel::IniFile;
using Sumirel::TSettingForm;
using SumirelTest::ReadBytes;
using SumirelTest::Sjis;
using SumirelTest::U;

namespace {

void VerifyEndShownAndSelected(const QLineEdit* edit) {
    QCOMPARE(edit->selectedText(), edit->text());
    QCOMPARE(edit->cursorPosition(), edit->text().size());
}

// The designed client size with the backup and feed groups below it.
QSize DesignedSize(const TSettingForm& form) {
    return QSize(349, 394 + form.BackupGroupBox->sizeHint().height() +
                          form.FeedGroupBox->sizeHint().height() + 8)
        .expandedTo(form.minimumSizeHint());
}

}  // namespace

class SettingFormTest : public QObject, private SumirelTest::DialogFixture {
    Q_OBJECT

private slots:
    void init() { SetUp(); }
    void cleanup() { TearDown(); }

    void okOnMissingFileWritesTheDefaults() {
        TSettingForm form(nullptr, ini);
        // The default data files follow the current folder at the time the dialog is shown.
        std::filesystem::create_directory(dir->Path() / "later");
        std::filesystem::current_path(dir->Path() / "later");
        const std::string here = dir->File("later");
        Open(form);
        QCOMPARE(form.windowTitle(), U("設定"));
        // The designed size, or what the layout needs where the font is taller than designed.
        QCOMPARE(form.size(), DesignedSize(form));
        QCOMPARE(form.DiaryFileNameEdit->text(), QString::fromStdString(here + "/Diary.txt"));
        for (const QLineEdit* edit :
             {form.DiaryFileNameEdit, form.HtmlFileNameEdit, form.TemplateFileNameEdit}) {
            VerifyEndShownAndSelected(edit);
        }

        form.Button1->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(!form.isVisible());
        QCOMPARE(ReadBytes(ini), "[Files]\r\nDiaryFileName=" + here +
                                     "/Diary.txt\r\nHtmlFileName=" + here +
                                     "/Diary.html\r\nTemplateFileName=" + here +
                                     "/Template.html\r\n"
                                     "[Settings]\r\nYearSep=/\r\nMonSep=/\r\nDaySep=\r\n"
                                     "LenStartString=\r\nLenEndString=<BR>\r\nOtherFiles=\r\n"
                                     "BackupCount=10\r\n"
                                     "[Feed]\r\nFileName=\r\nUrl=\r\nTitle=\r\nEntries=15\r\n");
        QVERIFY(dialogs->shown.isEmpty());
    }

    // Each key is shown in its own control and written back from it unchanged, Japanese
    // text, a relative path and blanks at the ends included.
    void storedValuesShownAndWrittenBack() {
        const std::string stored = Sjis(
            "[Files]\r\nDiaryFileName=日記/diary.txt\r\nHtmlFileName=/srv/www/d.html\r\n"
            "TemplateFileName=t.html\r\n"
            "[Settings]\r\nYearSep=年\r\nMonSep=月\r\nDaySep=日\r\n"
            "LenStartString=\" <P>\"\r\nLenEndString=</P>\r\nOtherFiles=/a.html<\r\n"
            "BackupCount=0\r\n"
            "[Feed]\r\nFileName=/srv/www/atom.xml\r\nUrl=https://example.org/日記/Diary.html\r\n"
            "Title=すみれ日記\r\nEntries=3\r\n");
        dir->Write("sumirel.ini", stored);
        TSettingForm form(nullptr, ini);
        Open(form);
        const struct {
            QLineEdit* edit;
            const char* text;
        } shown[] = {{form.DiaryFileNameEdit, "日記/diary.txt"},
                     {form.HtmlFileNameEdit, "/srv/www/d.html"},
                     {form.TemplateFileNameEdit, "t.html"},
                     {form.YearEdit, "年"},
                     {form.MonEdit, "月"},
                     {form.DayEdit, "日"},
                     {form.LenStartEdit, " <P>"},
                     {form.LenEndEdit, "</P>"},
                     {form.BackupCountEdit, "0"},
                     {form.FeedFileNameEdit, "/srv/www/atom.xml"},
                     {form.FeedUrlEdit, "https://example.org/日記/Diary.html"},
                     {form.FeedTitleEdit, "すみれ日記"},
                     {form.FeedEntriesEdit, "3"}};
        for (const auto& s : shown) {
            QCOMPARE(s.edit->text(), U(s.text));
        }
        QCOMPARE(form.OtherFileEdit->toPlainText(), QString("/a.html\n"));
        form.Button1->click();
        QCOMPARE(ReadBytes(ini), stored);
    }

    void tabOrderStartsAtOk() {
        TSettingForm form(nullptr, ini);
        Open(form);
        QStringList visited{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 21; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, QStringList({"Button1",
                                       "Button2",
                                       "DiaryFileNameEdit",
                                       "Button3",
                                       "HtmlFileNameEdit",
                                       "Button4",
                                       "TemplateFileNameEdit",
                                       "Button5",
                                       "OtherFileEdit",
                                       "Button6",
                                       "YearEdit",
                                       "MonEdit",
                                       "DayEdit",
                                       "LenStartEdit",
                                       "LenEndEdit",
                                       "BackupCountEdit",
                                       "FeedFileNameEdit",
                                       "Button7",
                                       "FeedUrlEdit",
                                       "FeedTitleEdit",
                                       "FeedEntriesEdit",
                                       "Button1"}));
    }

    // Every "<" of the stored list is a line break of the box, and back.
    void targetBoxLineBreaks_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("box");
        QTest::newRow("lines ending in a break")
            << QByteArray("a.html<b.html<") << QString("a.html\nb.html\n");
        QTest::newRow("last line without a break")
            << QByteArray("a.html<b.html") << QString("a.html\nb.html");
        QTest::newRow("empty line inside")
            << QByteArray("a.html<<b.html") << QString("a.html\n\nb.html");
        QTest::newRow("no target files") << QByteArray() << QString();
    }

    void targetBoxLineBreaks() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, box);
        dir->Write("sumirel.ini", "[Settings]\r\nOtherFiles=" + stored.toStdString() + "\r\n");
        TSettingForm form(nullptr, ini);
        Open(form);
        QCOMPARE(form.OtherFileEdit->toPlainText(), box);
        form.Button1->click();
        QCOMPARE(IniFile(ini).ReadString("Settings", "OtherFiles", "<none>"), stored.toStdString());
    }

    void browseButtons_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("section");
        QTest::newRow("diary file") << "Button3"
                                    << "DiaryFileNameEdit" << U("テキストファイル (*.txt)") << "txt"
                                    << "DiaryFileName"
                                    << "Files";
        QTest::newRow("page") << "Button4"
                              << "HtmlFileNameEdit" << U("HTMLファイル (*.html *.htm)") << "html"
                              << "HtmlFileName"
                              << "Files";
        QTest::newRow("template") << "Button5"
                                  << "TemplateFileNameEdit"
                                  << U("テンプレートファイル (*.html *.htm)") << "html"
                                  << "TemplateFileName"
                                  << "Files";
        QTest::newRow("feed") << "Button7"
                              << "FeedFileNameEdit" << U("Atomフィード (*.xml *.atom)") << "xml"
                              << "FileName"
                              << "Feed";
    }

    void browseButtons() {
        QFETCH(QString, button);
        QFETCH(QString, edit);
        QFETCH(QString, filter);
        QFETCH(QString, suffix);
        QFETCH(QString, key);
        QFETCH(QString, section);
        TSettingForm form(nullptr, ini);
        Open(form);
        auto* target = form.findChild<QLineEdit*>(edit);
        auto* browse = form.findChild<QPushButton*>(button);
        QVERIFY(target != nullptr && browse != nullptr);

        const QString chosen = U("/home/日記/chosen.") + suffix;
        dialogs->chosenFiles = QStringList{chosen};
        browse->click();
        QCOMPARE(target->text(), chosen);
        VerifyEndShownAndSelected(target);
        QCOMPARE(dialogs->requests.size(), std::size_t(1));
        const auto& request = dialogs->requests.front();
        QCOMPARE(request.filter, filter);
        QCOMPARE(request.defaultSuffix, suffix);
        QVERIFY(!request.multiple);
        QVERIFY(request.startFile.isEmpty());

        // Cancelled: the text stays, shown from its end and selected all the same.
        dialogs->chosenFiles.clear();
        target->setCursorPosition(0);
        browse->click();
        QCOMPARE(target->text(), chosen);
        VerifyEndShownAndSelected(target);

        form.Button1->click();
        QCOMPARE(IniFile(ini).ReadString(section.toStdString(), key.toStdString(), ""),
                 Sjis(chosen.toStdString()));
    }

    void targetBrowseAppendsLines() {
        dir->Write("sumirel.ini", "[Settings]\r\nOtherFiles=/w/a.html\r\n");
        TSettingForm form(nullptr, ini);
        Open(form);
        dialogs->chosenFiles = QStringList{"/w/1.html", "/w/2.html"};
        form.Button6->click();
        QCOMPARE(form.OtherFileEdit->toPlainText(), QString("/w/a.html\n/w/1.html\n/w/2.html\n"));
        const auto& request = dialogs->requests.front();
        QCOMPARE(request.filter, U("HTMLファイル (*.html *.htm)"));
        QCOMPARE(request.defaultSuffix, QString("html"));
        QVERIFY(request.multiple);

        form.Button6->click();  // the same files again: appended again
        dialogs->chosenFiles.clear();
        form.Button6->click();  // cancelled: nothing changes
        QCOMPARE(form.OtherFileEdit->toPlainText(),
                 QString("/w/a.html\n/w/1.html\n/w/2.html\n/w/1.html\n/w/2.html\n"));
        form.Button1->click();
        QCOMPARE(IniFile(ini).ReadString("Settings", "OtherFiles", ""),
                 std::string("/w/a.html</w/1.html</w/2.html</w/1.html</w/2.html<"));
    }

    void keys_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closes");
        QTest::newRow("escape in the diary file edit")
            << "DiaryFileNameEdit" << int(Qt::Key_Escape) << true;
        QTest::newRow("escape in the line-end edit") << "LenEndEdit" << int(Qt::Key_Escape) << true;
        QTest::newRow("escape in the target box") << "OtherFileEdit" << int(Qt::Key_Escape) << true;
        QTest::newRow("escape on OK") << "Button1" << int(Qt::Key_Escape) << true;
        QTest::newRow("escape on Cancel") << "Button2" << int(Qt::Key_Escape) << true;
        QTest::newRow("escape on a browse button") << "Button3" << int(Qt::Key_Escape) << false;
        QTest::newRow("escape on the target browse button")
            << "Button6" << int(Qt::Key_Escape) << false;
        QTest::newRow("escape in the backup count")
            << "BackupCountEdit" << int(Qt::Key_Escape) << true;
        QTest::newRow("escape in the feed address") << "FeedUrlEdit" << int(Qt::Key_Escape) << true;
        QTest::newRow("escape on the feed browse button")
            << "Button7" << int(Qt::Key_Escape) << false;
    }

    void keys() {
        QFETCH(QString, control);
        QFETCH(int, key);
        QFETCH(bool, closes);
        TSettingForm form(nullptr, ini);
        Open(form);
        form.YearEdit->setText("-");
        auto* widget = form.findChild<QWidget*>(control);
        QVERIFY(widget != nullptr);
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key(key));
        QCOMPARE(form.isVisible(), !closes);
        if (closes) {
            QCOMPARE(form.result(), int(QDialog::Rejected));
        }
        QCOMPARE(ReadBytes(ini), std::string("<missing>"));
        QVERIFY(dialogs->requests.empty());
    }

    // Enter presses OK from a single-line edit; the target box takes it as a line break, a
    // browse button as a click of its own.
    void enterPressesOk_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("return in the diary file edit")
            << "DiaryFileNameEdit" << int(Qt::Key_Return) << true;
        QTest::newRow("keypad enter in the year edit") << "YearEdit" << int(Qt::Key_Enter) << true;
        QTest::newRow("return in the feed entries")
            << "FeedEntriesEdit" << int(Qt::Key_Return) << true;
        QTest::newRow("return in the target box")
            << "OtherFileEdit" << int(Qt::Key_Return) << false;
        QTest::newRow("return on a browse button") << "Button3" << int(Qt::Key_Return) << false;
    }

    void enterPressesOk() {
        QFETCH(QString, control);
        QFETCH(int, key);
        QFETCH(bool, accepted);
        TSettingForm form(nullptr, ini);
        Open(form);
        form.OtherFileEdit->setPlainText("/w/a.html");
        form.OtherFileEdit->moveCursor(QTextCursor::End);
        auto* widget = form.findChild<QWidget*>(control);
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key(key));
        QCOMPARE(form.isVisible(), !accepted);
        if (accepted) {
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QCOMPARE(IniFile(ini).ReadString("Settings", "OtherFiles", ""),
                     std::string("/w/a.html"));
        } else {
            QCOMPARE(ReadBytes(ini), std::string("<missing>"));
        }
        if (control == "OtherFileEdit") {
            QCOMPARE(form.OtherFileEdit->toPlainText(), QString("/w/a.html\n"));
        }
        QCOMPARE(dialogs->requests.size(), std::size_t(control == "Button3" ? 1 : 0));
    }

    // A browse button clicked with the mouse has the focus, where Escape does nothing; after
    // the file dialog the focus is back in the field, so Escape cancels and Enter confirms.
    void keysAfterBrowsing_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("chosen");
        QTest::newRow("diary file, cancelled") << "Button3"
                                               << "DiaryFileNameEdit" << false;
        QTest::newRow("template, chosen") << "Button5"
                                          << "TemplateFileNameEdit" << true;
        QTest::newRow("target files, cancelled") << "Button6"
                                                 << "OtherFileEdit" << false;
        QTest::newRow("feed, cancelled") << "Button7"
                                         << "FeedFileNameEdit" << false;
    }

    void keysAfterBrowsing() {
        QFETCH(QString, button);
        QFETCH(QString, field);
        QFETCH(bool, chosen);
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            TSettingForm form(nullptr, ini);
            Open(form);
            auto* browse = form.findChild<QPushButton*>(button);
            dialogs->chosenFiles = chosen ? QStringList{"/w/chosen.html"} : QStringList{};
            QTest::mouseClick(browse, Qt::LeftButton);
            QCOMPARE(QApplication::focusWidget(), form.findChild<QWidget*>(field));
            if (key == Qt::Key_Return && field == "OtherFileEdit") {
                continue;  // the target box keeps Enter for its lines
            }
            QTest::keyClick(QApplication::focusWidget(), key);
            QVERIFY(!form.isVisible());
            QCOMPARE(form.result(),
                     int(key == Qt::Key_Escape ? QDialog::Rejected : QDialog::Accepted));
        }
    }

    // The counts are whole numbers, 0 or more; anything else names the text and writes
    // nothing, not even the keys that are fine.
    void counts_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("error");  // empty when stored
        QTest::addColumn<int>("stored");
        for (const char* control : {"BackupCountEdit", "FeedEntriesEdit"}) {
            QTest::addRow("%s, nominal", control) << control << "7" << QString() << 7;
            QTest::addRow("%s, zero", control) << control << "0" << QString() << 0;
            QTest::addRow("%s, hexadecimal", control) << control << "$10" << QString() << 16;
            QTest::addRow("%s, letters", control)
                << control << U("十") << U("'十' は整数ではありません") << 0;
            QTest::addRow("%s, empty", control)
                << control << "" << U("'' は整数ではありません") << 0;
            QTest::addRow("%s, negative", control)
                << control << "-1" << U("'-1' は0以上の整数ではありません") << 0;
        }
    }

    void counts() {
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, error);
        QFETCH(int, stored);
        const std::string before =
            "[Settings]\r\nYearSep=-\r\nBackupCount=4\r\n[Feed]\r\nEntries=9\r\n";
        dir->Write("sumirel.ini", before);
        const std::string linked = dir->File("linked.ini");
        QCOMPARE(::link(ini.c_str(), linked.c_str()), 0);
        TSettingForm form(nullptr, ini);
        Open(form);
        QCOMPARE(form.BackupCountEdit->text(), QString("4"));
        QCOMPARE(form.FeedEntriesEdit->text(), QString("9"));
        form.YearEdit->setText(".");
        form.FeedUrlEdit->setText("https://example.org/d.html");
        form.findChild<QLineEdit*>(control)->setText(typed);
        form.Button1->click();
        if (error.isEmpty()) {
            QVERIFY(!form.isVisible());
            const bool backup = control == "BackupCountEdit";
            const IniFile file(ini);
            QCOMPARE(file.ReadInteger("Settings", "BackupCount", -1), backup ? stored : 4);
            QCOMPARE(file.ReadInteger("Feed", "Entries", -1), backup ? 9 : stored);
            QCOMPARE(file.ReadString("Settings", "YearSep", ""), std::string("."));
            // All keys arrived in one replacement: the old file, still reachable by its
            // other name, is whole and unchanged.
            QCOMPARE(ReadBytes(linked), before);
            return;
        }
        QCOMPARE(dialogs->shown, QStringList{Error(error)});
        QVERIFY(form.isVisible());
        QCOMPARE(ReadBytes(ini), before);
    }

    void readOnlyFileKeepsDialogOpen() {
        const std::string before = "[Files]\r\nDiaryFileName=/d.txt\r\n";
        dir->Write("sumirel.ini", before);
        QCOMPARE(::chmod(ini.c_str(), 0444), 0);
        TSettingForm form(nullptr, ini);
        Open(form);
        form.Button1->click();
        QCOMPARE(dialogs->shown,
                 QStringList{Error(QString::fromStdString(ini) + U(" に書き込めません"))});
        QVERIFY(form.isVisible());
        QCOMPARE(ReadBytes(ini), before);
    }

    // A settings file that cannot be read is reported when the dialog opens and never
    // replaced by OK: defaults written over it would lose every key it holds.
    void unreadableFileIsShownAndKept() {
        QCOMPARE(::mkfifo(ini.c_str(), 0600), 0);
        TSettingForm form(nullptr, ini);
        Open(form);
        QCOMPARE(dialogs->shown.size(), 1);
        QVERIFY(dialogs->shown[0].contains(QString::fromStdString(ini)));
        form.Button1->click();
        QCOMPARE(dialogs->shown.last(),
                 Error(QString::fromStdString(ini) + U(" に書き込めません")));
        QVERIFY(form.isVisible());
        struct stat info {};
        QCOMPARE(::stat(ini.c_str(), &info), 0);
        QVERIFY(S_ISFIFO(info.st_mode));
    }
};

int RunSettingFormTests(int argc, char** argv) {
    SettingFormTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SettingFormTest.moc"

#pragma once
// The settings dialog: the three data files, the date separators, the text put around every
// line of an entry, the list of target files, how many backups to keep and the Atom feed. It works
// on the settings file alone: it reads the file each time it is shown and writes all its keys when
// OK is pressed; the main window reloads its settings afterwards.

#include <QString>
#include <string>

#include "platform/FileIO.h"
#include "settings/LoadSettings.h"
#include "settings/dialogs/SettingsDialog.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace Sumirel {

class TSettingForm : public SettingsDialog {
    Q_OBJECT
public:
    explicit TSettingForm(QWidget* parent = nullptr, std::string iniFileName = SettingsFileName());

    // Event handlers.
    void FormShow() override;
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    // A key in one of the edits, the target box, OK or Cancel: Escape cancels.
    void DiaryFileNameEditKeyDown(int key);

    // The full path of the file the user chose, or an empty text when the user cancelled.
    // `filter` is "description|pattern;pattern".
    QString BrowseFile(const QString& filter, const QString& defaultExtension);

    const std::string& IniFileName() const { return iniFileName_; }

    // Controls, under the names of the dialog's layout.
    QGroupBox* FileGroupBox;
    QGroupBox* DateGroupBox;
    QGroupBox* LineGroupBox;
    QGroupBox* BackupGroupBox;
    QGroupBox* FeedGroupBox;
    QLabel* Label1;   // diary file
    QLabel* Label2;   // generated page
    QLabel* Label3;   // template
    QLabel* Label4;   // target files
    QLabel* Label5;   // year
    QLabel* Label6;   // month
    QLabel* Label7;   // day
    QLabel* Label8;   // line start
    QLabel* Label9;   // line end
    QLabel* Label10;  // backup count
    QLabel* Label11;  // feed file
    QLabel* Label12;  // page address
    QLabel* Label13;  // feed title
    QLabel* Label14;  // feed entries
    QLineEdit* DiaryFileNameEdit;
    QLineEdit* HtmlFileNameEdit;
    QLineEdit* TemplateFileNameEdit;
    QPlainTextEdit* OtherFileEdit;
    QLineEdit* YearEdit;
    QLineEdit* MonEdit;
    QLineEdit* DayEdit;
    QLineEdit* LenStartEdit;
    QLineEdit* LenEndEdit;
    QLineEdit* BackupCountEdit;
    QLineEdit* FeedFileNameEdit;
    QLineEdit* FeedUrlEdit;
    QLineEdit* FeedTitleEdit;
    QLineEdit* FeedEntriesEdit;
    QPushButton* Button1;  // OK
    QPushButton* Button2;  // Cancel
    QPushButton* Button3;  // browse: diary file
    QPushButton* Button4;  // browse: generated page
    QPushButton* Button5;  // browse: template
    QPushButton* Button6;  // browse: target files, several at once
    QPushButton* Button7;  // browse: feed file

protected:
private:
    void BrowseInto(QLineEdit* edit, const QString& filter, const QString& defaultExtension);

    std::string iniFileName_;
};

}  // namespace Sumirel

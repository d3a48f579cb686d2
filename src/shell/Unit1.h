#pragma once
// The main window: the entry tab with the Write and Rebuild buttons, the preview and the two
// file editors, the menus. It holds the settings last loaded from the settings file; every
// command reads them from here.

#include <QMainWindow>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/qt/DialUp.h"
#include "platform/qt/FtpClient.h"
#include "platform/widgets/PreviewView.h"
#include "settings/Settings.h"

class QAction;
class QTimer;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace Sumirel {

class EditActions;
class FileEditorSheet;

class TSumirelForm : public QMainWindow {
    Q_OBJECT
public:
    // `ras` is the dial-up facility; without one the system's is used.
    explicit TSumirelForm(PreviewFactory previewFactory = CreatePreviewView,
                          std::unique_ptr<DialUp> ras = nullptr, QWidget* parent = nullptr);
    ~TSumirelForm() override;

    // Event handlers and commands.
    void FormShow();
    void FillTodayDate();
    void WriteButtonClick();
    void ReBuildButtonClick();
    void PageControlChange(int index);
    void ShowPreview();
    void LoadTemplateEditor();
    void LoadDiaryEditor();
    void TemplateSaveButtonClick();
    void DiarySaveButtonClick();
    // Ctrl+S: saves the editor tab that is shown, if any.
    void SaveCurrentTab();
    // Writes the entry form's draft now (the timer does so 2 seconds after the last change).
    void SaveDraftNow();
    void Help1Click();
    void About1Click();
    void Exit1Click();
    void FTPP1Click();
    void S1Click();
    void FTP1Click();

    void LoadSettings(const std::string& iniFileName);
    const Settings& CurrentSettings() const { return settings_; }
    // The port the FTP client holds: the default of the settings file's Port.
    std::int32_t FtpPort() const;

    // Controls, under the names of the window's layout.
    QTabWidget* PageControl;
    QWidget* MainSheet;
    QWidget* PreViewSheet;
    FileEditorSheet* TemplateSheet;
    FileEditorSheet* DiaryFileSheet;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* DateEdit;
    QLineEdit* WheatherEdit;
    QLineEdit* TitleEdit;
    QPlainTextEdit* ContentsEdit;
    QPushButton* WriteButton;
    QPushButton* ReBuildButton;
    QPlainTextEdit* TemplateEditor;
    QPushButton* TemplateSaveButton;
    QPlainTextEdit* DiaryEditor;
    QPushButton* DiarySaveButton;
    QAction* FTPP1;
    QAction* Exit1;
    QAction* S1;
    QAction* FTP1;
    QAction* Help1;
    QAction* About1;
    QAction* SaveTab;
    QTimer* DraftTimer;
    EditActions* ActionList1;
    PreviewView* WB = nullptr;  // created when the preview tab is first shown
    std::unique_ptr<FtpClient> FTP;
    std::unique_ptr<DialUp> RAS;

    // Own fields.
    std::string IniFileName;
    std::int32_t PreviewFileAge = 0;
    std::int32_t TemplateFileAge = 0;
    std::int32_t DiaryFileAge = 0;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildMenus();
    void BuildMainSheet();
    void WatchEntryForm();
    void RestoreDraft();
    void UpdateTabCaption(FileEditorSheet* sheet, const QString& caption);
    // Saves a tab holding the lock of the diary; false when declined or failed.
    bool SaveSheet(FileEditorSheet& sheet, const std::string& fileName);
    // Asks before Write or Rebuild while the diary tab holds unsaved edits.
    bool DiaryEditsMayStay(const QString& question);
    // The size, position and tab of the last run (see WindowPlace.h).
    void RestoreWindowPlace();
    void SaveWindowPlace() const;
    // Runs a command; an error it raises is shown by the application's top-level handler.
    template <typename Command>
    void Run(Command&& command);

    class ForgetChangedStamps {
    public:
        explicit ForgetChangedStamps(TSumirelForm& form);
        ~ForgetChangedStamps();

    private:
        TSumirelForm& form_;
        std::string diary_;
        std::string page_;
    };

    Settings settings_;
    PreviewFactory previewFactory_;
    std::unique_ptr<PreviewView> preview_;
    bool shown_ = false;
    bool fillingForm_ = false;  // the program, not the user, is changing the entry form
    int restoredTab_ = 0;
};

}  // namespace Sumirel

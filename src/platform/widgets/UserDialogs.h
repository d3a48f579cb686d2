#pragma once
// Every message box and file dialog of the windows goes through this interface, so that a
// test can answer them instead of a person: the real implementation shows Qt's modal boxes,
// a test installs a double that returns scripted answers and records what was shown.

#include <QString>
#include <QStringList>
#include <QUrl>

class QMessageBox;
class QWidget;

namespace Sumirel {

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // Yes/No box with the question icon; true only for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) = 0;
    enum class SaveAnswer { Save, Discard, Cancel };
    // Save / Discard / Cancel box with the warning icon; Cancel when the box is closed.
    virtual SaveAnswer AskSaveDiscardCancel(QWidget* parent, const QString& caption,
                                            const QString& text) = 0;
    // A message without an icon, one OK button, centred on the screen.
    virtual void ShowMessage(QWidget* parent, const QString& title, const QString& text) = 0;
    // A box with the stop icon and OK.
    virtual void ShowError(QWidget* parent, const QString& caption, const QString& text) = 0;

    struct OpenRequest {
        QString caption;
        QString filter;         // Qt's form: "desc (*.a *.b);;desc2 (*.c)"
        QString defaultSuffix;  // without the dot
        QString startFile;      // preselected file (its folder is where the dialog opens)
        bool multiple = false;
    };
    // The chosen files; empty when the user cancelled.
    virtual QStringList OpenFiles(QWidget* parent, const OpenRequest& request) = 0;

    // Asks the desktop to open a file or an address with its default program; the outcome
    // is not examined.
    virtual void OpenExternal(const QUrl& url) = 0;
};

// Makes a message box at least as wide as its title bar needs under a window manager, so
// that a short text does not leave the title cut off. Call before the box is shown.
void FitMessageBoxToTitle(QMessageBox& box);

// The dialogs in use: Qt's own unless a test installed others.
UserDialogs& Dialogs();
// Installs `dialogs` (not owned) until it is called again; nullptr restores Qt's.
void SetDialogs(UserDialogs* dialogs);

}  // namespace Sumirel

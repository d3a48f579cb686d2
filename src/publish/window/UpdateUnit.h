#pragma once
// The upload window: a small modal window that logs each step of the upload and has one
// button, Cancel. It dials first when asked to, then runs the FTP step and closes itself
// when that ends; only a dial that failed or is still going waits for Cancel.

#include <QDialog>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

namespace Sumirel {

class DialUp;
class FtpClient;

class TUpdateForm : public QDialog {
    Q_OBJECT
public:
    explicit TUpdateForm(QWidget* owner = nullptr);
    ~TUpdateForm() override;

    void FormActivate();
    void Button1Click();
    void StartDialUp();
    void DialUpConnected();
    void RunTransfer();

    // Binds the dial-up component's connected notification to this window only; the binding
    // ends with the window, so it can never reach a destroyed one.
    void BindDialUp(DialUp* dialUp);

    QPlainTextEdit* Memo;
    QPushButton* Button1;

    FtpClient* FtpClient_ = nullptr;
    DialUp* DialUpLink = nullptr;
    std::string RemoteDir;
    std::vector<std::string> SendFiles;
    bool UseDialUp = false;
    bool HangUpAfter = false;
    bool Aborted = false;
    bool Started = false;
    bool DialConnected = false;

    // The log as Shift-JIS lines, as the window shows them.
    std::vector<std::string> LogLines() const;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Ends the modal run now, or once the FTP step has returned when it is at work.
    void RequestClose();

    bool transferring_ = false;
};

}  // namespace Sumirel

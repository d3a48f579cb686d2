#pragma once
// The upload window: a small modal window that logs each step of the upload, shows its
// progress under the log and has one button, Cancel. It dials first when asked to, then runs
// the transfer step and closes itself when every file was sent. After a failure it stays
// open with its log and the reason, its button reading 閉じる, until the user closes it.

#include <QDialog>
#include <QElapsedTimer>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace Sumirel {

class DialUp;
class UploadClient;
struct ServerIdentity;
struct UploadProgress;

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
    QProgressBar* ProgressBar;
    QLabel* ProgressLabel;  // the current file, the speed and the time left

    UploadClient* FtpClient_ = nullptr;
    // The settings file a newly trusted fingerprint is stored in; empty: not stored.
    std::string IniFileName;
    DialUp* DialUpLink = nullptr;
    std::string RemoteDir;
    std::vector<std::string> SendFiles;
    bool UseDialUp = false;
    bool HangUpAfter = false;
    bool Aborted = false;
    bool Started = false;
    bool DialConnected = false;

    // The outcome, for the opener: whether every file was sent, how many were, and the
    // fingerprint the user chose to trust during this upload (empty when none).
    bool Succeeded = false;
    int FilesSent = 0;
    std::string TrustedFingerprint;

    // The log as Shift-JIS lines, as the window shows them.
    std::vector<std::string> LogLines() const;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Ends the modal run now, or once the FTP step has returned when it is at work.
    void RequestClose();
    // The failure is shown: the window waits for the user, its button closes it.
    void ShowFinishedWithFailure();
    bool AskTrust(const ServerIdentity& identity);
    void UpdateProgress();

    bool transferring_ = false;
    bool finished_ = false;
    std::unique_ptr<UploadProgress> progress_;
    QTimer* progressTimer_;
    QElapsedTimer clock_;
};

}  // namespace Sumirel

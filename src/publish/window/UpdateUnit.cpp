#include "publish/window/UpdateUnit.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <exception>

#include "platform/qt/DialUp.h"
#include "platform/qt/ShiftJisCodec.h"
#include "platform/qt/UploadClient.h"
#include "publish/UploadMessages.h"
#include "publish/UploadSequence.h"
#include "publish/UploadSetup.h"
#include "settings/SettingsFile.h"

#include "platform/widgets/FormStyle.h"
#include "platform/widgets/UserDialogs.h"

namespace Sumirel {

namespace {

class MemoLog final : public UploadLog {
public:
    explicit MemoLog(QPlainTextEdit& memo) : memo_(memo) {}
    void Clear() override { memo_.clear(); }
    void Add(const std::string& line) override {
        memo_.appendPlainText(FromShiftJis(line));
        QCoreApplication::processEvents();
    }

private:
    QPlainTextEdit& memo_;
};

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QString Bytes(std::int64_t bytes) {
    const double value = static_cast<double>(bytes);
    if (bytes < 1024 * 1024) {
        return U("%1 KB").arg(value / 1024.0, 0, 'f', 1);
    }
    return U("%1 MB").arg(value / (1024.0 * 1024.0), 0, 'f', 1);
}

// The bar counts in thousandths, so that files of any size fit its int range.
constexpr int kBarSteps = 1000;
// Often enough for at least four updates a second, seldom enough to cost nothing.
constexpr int kProgressIntervalMs = 200;

}  // namespace

TUpdateForm::TUpdateForm(QWidget* owner) : QDialog(owner) {
    setObjectName("UpdateForm");
    setWindowTitle(QString::fromUtf8("転送中"));
    // A dialog frame without title-bar buttons: the window is closed with its button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ApplyFormFont(*this);
    setFixedSize(454, 189);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName("Memo");
    Memo->setReadOnly(true);
    Memo->setGeometry(0, 0, 454, 101);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setRange(0, kBarSteps);
    ProgressBar->setValue(0);
    ProgressBar->setFormat(QStringLiteral("%p%"));
    ProgressBar->setGeometry(8, 108, 438, 20);
    ProgressLabel = new QLabel(this);
    ProgressLabel->setObjectName("ProgressLabel");
    ProgressLabel->setGeometry(8, 132, 438, 18);
    Button1 = new QPushButton(U("キャンセル"), this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(368, 158, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &TUpdateForm::Button1Click);

    progress_ = std::make_unique<UploadProgress>();
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(kProgressIntervalMs);
    connect(progressTimer_, &QTimer::timeout, this, &TUpdateForm::UpdateProgress);

    CentreOnScreen(*this);
}

TUpdateForm::~TUpdateForm() = default;

void TUpdateForm::BindDialUp(DialUp* dialUp) {
    if (dialUp != nullptr) {
        connect(dialUp, &DialUp::Connected, this, &TUpdateForm::DialUpConnected);
    }
}

// The upload starts on the window's first activation. A window that is shown but never
// activated (no window manager, another program in front) must still start, so the first
// show starts it too, once the modal loop runs.
void TUpdateForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, &TUpdateForm::FormActivate);
}

void TUpdateForm::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        QTimer::singleShot(0, this, &TUpdateForm::FormActivate);
    }
}

void TUpdateForm::keyPressEvent(QKeyEvent* event) {
    // Escape would close the window behind the upload's back; only the button closes it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TUpdateForm::FormActivate() {
    if (Started) {
        return;
    }
    Memo->clear();
    Aborted = false;
    Started = true;
    if (UseDialUp) {
        StartDialUp();
    } else {
        RunTransfer();
    }
}

void TUpdateForm::StartDialUp() {
    MemoLog log(*Memo);
    try {
        log.Add(UploadMessages::kConnecting);
        if (DialUpLink == nullptr) {
            throw DialUpError("no dial-up facility");
        }
        DialUpLink->Connect();
    } catch (const std::exception& error) {
        log.Add(UploadMessages::kFailed);
        log.Add(error.what());
        if (DialUpLink != nullptr) {
            DialUpLink->DisConnect();
        }
        Aborted = true;
        ShowFinishedWithFailure();
    }
}

void TUpdateForm::DialUpConnected() {
    // Only the dial this window started counts, and only once: a late notification after
    // Cancel must not start sending.
    if (!UseDialUp || DialConnected || Aborted) {
        return;
    }
    DialConnected = true;
    RunTransfer();
}

void TUpdateForm::RunTransfer() {
    if (FtpClient_ == nullptr) {
        return;
    }
    MemoLog log(*Memo);
    const UploadPlan plan{RemoteDir, SendFiles, UseDialUp, HangUpAfter};
    FtpClient_->OnUntrustedIdentity = [this](const ServerIdentity& identity) {
        return AskTrust(identity);
    };
    transferring_ = true;
    clock_.start();
    progressTimer_->start();
    const TransferOutcome outcome = Sumirel::RunTransfer(
        *FtpClient_, DialUpLink, plan, log, [this] { return Aborted; }, progress_.get());
    progressTimer_->stop();
    UpdateProgress();
    transferring_ = false;
    FtpClient_->OnUntrustedIdentity = nullptr;
    Succeeded = outcome.Sent;
    FilesSent = outcome.FilesSent;
    if (!outcome.Sent) {
        if (outcome.TrustRefused && outcome.Identity.Changed) {
            // Never replaced silently: the user hears of it in a box of its own.
            Dialogs().ShowError(this, U("警告"), FromShiftJis(outcome.Reason));
        }
        ShowFinishedWithFailure();
        // The user closes the window after reading why, unless a cancel asked to close.
        if (!Aborted) {
            Aborted = true;
            return;
        }
    }
    RequestClose();
}

bool TUpdateForm::AskTrust(const ServerIdentity& identity) {
    QString shown = FromShiftJis(identity.Description);
    // A certificate's description names its fingerprint already; a host key's does not.
    if (identity.Description.find(identity.Fingerprint) == std::string::npos) {
        shown += U("\n指紋: ") + QString::fromStdString(identity.Fingerprint);
    }
    const QString text =
        U("このサーバー (%1) の証明書またはホスト鍵は確かめられていません。\n\n%2\n\n"
          "このサーバーのものとして信頼し、転送を続けますか?")
            .arg(FromShiftJis(FtpClient_->Options.Host), shown);
    if (!Dialogs().AskYesNo(this, U("警告"), text)) {
        return false;
    }
    FtpClient_->Options.Fingerprint = identity.Fingerprint;
    TrustedFingerprint = identity.Fingerprint;
    if (!IniFileName.empty()) {
        try {
            StoreFingerprint(IniFileName, identity.Fingerprint);
        } catch (const std::exception& error) {
            // Trusted for this upload all the same; the next one asks again.
            MemoLog(*Memo).Add(error.what());
        }
    }
    return true;
}

void TUpdateForm::UpdateProgress() {
    const std::int64_t total = progress_->TotalBytes;
    const std::int64_t sent = progress_->SentBytes;
    const int value =
        total > 0 ? static_cast<int>(std::min<std::int64_t>(sent, total) * kBarSteps / total)
                  : (progress_->Completions > 0 ? kBarSteps : 0);
    if (ProgressBar->value() != value) {
        ProgressBar->setValue(value);
    }
    const int index = progress_->FileIndex;
    if (index < 0 || index >= static_cast<int>(SendFiles.size())) {
        return;
    }
    const double seconds = static_cast<double>(clock_.elapsed()) / 1000.0;
    const double speed = seconds > 0 ? static_cast<double>(sent) / seconds : 0.0;
    QString text = FromShiftJis(RemoteName(SendFiles[static_cast<std::size_t>(index)])) +
                   U("  %1 / %2").arg(Bytes(sent), Bytes(total));
    if (speed > 0) {
        const auto left = static_cast<long long>(static_cast<double>(total - sent) / speed + 0.5);
        text += U("  %1/秒  残り %2:%3")
                    .arg(Bytes(static_cast<std::int64_t>(speed)))
                    .arg(left / 60)
                    .arg(left % 60, 2, 10, QLatin1Char('0'));
    }
    ProgressLabel->setText(text);
}

void TUpdateForm::ShowFinishedWithFailure() {
    finished_ = true;
    Button1->setText(U("閉じる"));
}

void TUpdateForm::Button1Click() {
    if (finished_) {
        reject();
        return;
    }
    if (UseDialUp && !DialConnected && DialUpLink != nullptr) {
        DialUpLink->DisConnect();
    }
    Aborted = true;
    RequestClose();
}

void TUpdateForm::RequestClose() {
    // While the FTP step is at work (Cancel handled inside one of its waits), the window
    // closes once the step has returned: it asks to close at its end in any case.
    if (!transferring_) {
        reject();
    }
}

std::vector<std::string> TUpdateForm::LogLines() const {
    std::vector<std::string> lines;
    const QString text = Memo->toPlainText();
    if (text.isEmpty()) {
        return lines;
    }
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        lines.push_back(ToShiftJis(line));
    }
    return lines;
}

}  // namespace Sumirel

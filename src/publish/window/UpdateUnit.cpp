#include "publish/window/UpdateUnit.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <exception>

#include "platform/qt/DialUp.h"
#include "platform/qt/FtpClient.h"
#include "platform/qt/ShiftJisCodec.h"
#include "publish/UploadMessages.h"
#include "publish/UploadSequence.h"

#include "platform/widgets/FormStyle.h"

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

}  // namespace

TUpdateForm::TUpdateForm(QWidget* owner) : QDialog(owner) {
    setObjectName("UpdateForm");
    setWindowTitle(QString::fromUtf8("転送中"));
    // A dialog frame without title-bar buttons: the window is closed with its button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ApplyFormFont(*this);
    setFixedSize(454, 143);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName("Memo");
    Memo->setReadOnly(true);
    Memo->setGeometry(0, 0, 454, 101);
    Button1 = new QPushButton(QString::fromUtf8("キャンセル"), this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(368, 112, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &TUpdateForm::Button1Click);

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
    } catch (const std::exception&) {
        log.Add(UploadMessages::kFailed);
        if (DialUpLink != nullptr) {
            DialUpLink->DisConnect();
        }
        Aborted = true;
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
    transferring_ = true;
    const bool sent =
        Sumirel::RunTransfer(*FtpClient_, DialUpLink, plan, log, [this] { return Aborted; });
    transferring_ = false;
    if (!sent) {
        Aborted = true;
    }
    RequestClose();
}

void TUpdateForm::Button1Click() {
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

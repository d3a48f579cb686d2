#include "platform/widgets/UserDialogs.h"

#include "platform/widgets/FormStyle.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace Sumirel {

namespace {

class QtDialogs final : public UserDialogs {
public:
    bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) override {
        return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Yes) == QMessageBox::Yes;
    }

    SaveAnswer AskSaveDiscardCancel(QWidget* parent, const QString& caption,
                                    const QString& text) override {
        switch (QMessageBox::warning(parent, caption, text,
                                     QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                     QMessageBox::Save)) {
            case QMessageBox::Save:
                return SaveAnswer::Save;
            case QMessageBox::Discard:
                return SaveAnswer::Discard;
            default:
                return SaveAnswer::Cancel;
        }
    }

    void ShowMessage(QWidget* parent, const QString& title, const QString& text) override {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
        box.adjustSize();
        CentreOnScreen(box);
        box.exec();
    }

    void ShowError(QWidget* parent, const QString& caption, const QString& text) override {
        QMessageBox::critical(parent, caption, text, QMessageBox::Ok);
    }

    QStringList OpenFiles(QWidget* parent, const OpenRequest& request) override {
        QFileDialog dialog(parent, request.caption);
        dialog.setNameFilter(request.filter);
        dialog.setDefaultSuffix(request.defaultSuffix);
        dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (!request.startFile.isEmpty()) {
            const QFileInfo start(request.startFile);
            dialog.setDirectory(start.absolutePath());
            dialog.selectFile(start.fileName());
        }
        if (dialog.exec() != QDialog::Accepted) {
            return {};
        }
        return dialog.selectedFiles();
    }

    void OpenExternal(const QUrl& url) override { QDesktopServices::openUrl(url); }
};

UserDialogs* g_installed = nullptr;

}  // namespace

UserDialogs& Dialogs() {
    static QtDialogs real;
    return g_installed != nullptr ? *g_installed : real;
}

void SetDialogs(UserDialogs* dialogs) {
    g_installed = dialogs;
}

}  // namespace Sumirel

#include "platform/widgets/UserDialogs.h"

#include "platform/widgets/FormStyle.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>

namespace Sumirel {

namespace {

class QtDialogs final : public UserDialogs {
public:
    bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) override {
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                        parent);
        box.setDefaultButton(QMessageBox::Yes);
        FitMessageBoxToTitle(box);
        return box.exec() == QMessageBox::Yes;
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
        FitMessageBoxToTitle(box);
        box.adjustSize();
        CentreOnScreen(box);
        box.exec();
    }

    void ShowError(QWidget* parent, const QString& caption, const QString& text) override {
        QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
        FitMessageBoxToTitle(box);
        box.exec();
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

void FitMessageBoxToTitle(QMessageBox& box) {
    // The title bar holds the title as the window manager shows it (Qt adds the program's
    // name to it), the window's icon and its buttons; the bar's font is unknown here, so the
    // title is measured generously in the box's own.
    QString title = box.windowTitle();
    const QString program = QGuiApplication::applicationDisplayName();
    if (!program.isEmpty() && title != program) {
        title += QStringLiteral(" \u2014 ") + program;
    }
    const int width = QFontMetrics(box.font()).horizontalAdvance(title) * 5 / 4 + 120;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

UserDialogs& Dialogs() {
    static QtDialogs real;
    return g_installed != nullptr ? *g_installed : real;
}

void SetDialogs(UserDialogs* dialogs) {
    g_installed = dialogs;
}

}  // namespace Sumirel

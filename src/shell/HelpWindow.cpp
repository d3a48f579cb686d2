#include "shell/HelpWindow.h"

#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <filesystem>

#include "platform/FileIO.h"
#include "platform/widgets/FormStyle.h"
#include "platform/widgets/UserDialogs.h"

namespace Sumirel {

std::string HelpFileName() {
    const std::filesystem::path program = NativePath(ExecutableFolder());
    for (const std::filesystem::path& candidate :
         {program / "sumirel.hlp", program.parent_path() / "share/sumirel/sumirel.hlp"}) {
        const std::string name = TextFromNativePath(candidate.lexically_normal());
        if (FileExists(name)) {
            return name;
        }
    }
    return {};
}

THelpWindow::THelpWindow(const QUrl& helpFile, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("HelpWindow");
    setWindowTitle(QString::fromUtf8("Sumirel ヘルプ"));
    setAttribute(Qt::WA_DeleteOnClose);
    Browser = new QTextBrowser(this);
    Browser->setObjectName("HelpBrowser");
    // Links are followed here, so that web and mail links reach the desktop, not the browser.
    Browser->setOpenLinks(false);
    connect(Browser, &QTextBrowser::anchorClicked, this, &THelpWindow::OpenLink);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Browser);
    Browser->setSource(helpFile, QTextDocument::HtmlResource);
    resize(560, 480);
}

void THelpWindow::OpenLink(const QUrl& link) {
    const QUrl target = Browser->source().resolved(link);
    if (target.isLocalFile()) {
        Browser->setSource(target, QTextDocument::HtmlResource);
    } else {
        Dialogs().OpenExternal(target);
    }
}

void ShowHelp(QWidget* owner) {
    static QPointer<THelpWindow> open;
    if (open.isNull()) {
        const std::string file = HelpFileName();
        if (file.empty()) {
            Dialogs().ShowError(owner, QString::fromUtf8("エラー"),
                                QString::fromUtf8("ヘルプファイル sumirel.hlp が見つかりません"));
            return;
        }
        open = new THelpWindow(
            QUrl::fromLocalFile(QString::fromStdString(NativePath(file).string())), owner);
        CentreOnScreen(*open);
    }
    open->show();
    open->raise();
    open->activateWindow();
}

}  // namespace Sumirel

// Sumirel: keep a diary on your web site.

#include <unistd.h>

#include <QByteArray>
#include <cstdlib>

#include "Version.h"
#include "platform/widgets/PreviewView.h"
#include "platform/widgets/SumirelApplication.h"
#include "shell/AboutUnit.h"
#include "shell/Unit1.h"

int main(int argc, char** argv) {
    // Qt WebEngine's sandbox refuses to start as root; the preview then needs it off.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    if (Sumirel::PreviewUsesWebEngine()) {
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    }
    Sumirel::SumirelApplication app(argc, argv);
    app.setWindowIcon(Sumirel::ProgramIconImage());
    // Ties the window to the installed desktop entry (its name and icon on Wayland).
    app.setDesktopFileName(QString::fromLatin1(Sumirel::kDesktopId));
    try {
        Sumirel::TSumirelForm form;
        form.show();
        return app.exec();
    } catch (...) {
        Sumirel::SumirelApplication::ShowCurrentException();
        return 1;
    }
}

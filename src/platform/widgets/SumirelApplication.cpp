#include "platform/widgets/SumirelApplication.h"

#include <exception>

#include "platform/qt/ShiftJisCodec.h"
#include "platform/widgets/UserDialogs.h"

namespace Sumirel {

SumirelApplication::SumirelApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Sumirel"));
    setApplicationDisplayName(QStringLiteral("Sumirel"));
}

bool SumirelApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException();
        return false;
    }
}

void SumirelApplication::ShowCurrentException() {
    QString text;
    try {
        throw;
    } catch (const std::exception& error) {
        // Our exceptions carry Shift-JIS text; a library's ASCII text decodes the same.
        text = FromShiftJis(error.what());
    } catch (...) {
        text = QStringLiteral("Unknown error");
    }
    Dialogs().ShowError(activeWindow(), applicationDisplayName(), text);
}

}  // namespace Sumirel

#include "platform/widgets/SumirelApplication.h"

#include <QLibraryInfo>
#include <QTranslator>
#include <exception>

#include "platform/qt/ShiftJisCodec.h"
#include "platform/widgets/UserDialogs.h"

namespace Sumirel {

SumirelApplication::SumirelApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Sumirel"));
    setApplicationDisplayName(QStringLiteral("Sumirel"));
    // The program speaks Japanese whatever the locale, so Qt's own texts (standard buttons,
    // the file dialog) must too. Without the translation they stay English.
    auto* qtTexts = new QTranslator(this);
    if (qtTexts->load(QStringLiteral("qtbase_ja"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(qtTexts);
    }
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

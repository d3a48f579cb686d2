#include "shell/WindowCommandUi.h"

#include <QApplication>

#include "diary/Messages.h"
#include "platform/qt/MemoText.h"
#include "platform/qt/ShiftJisCodec.h"
#include "platform/widgets/UserDialogs.h"

namespace Sumirel {

namespace {

QString AppTitle() {
    return QApplication::applicationDisplayName();
}

}  // namespace

bool WindowCommandUi::AskYesNo(const std::string& question) {
    return Dialogs().AskYesNo(owner_, FromShiftJis(Messages::kWarningCaption),
                              FromShiftJis(question));
}

void WindowCommandUi::ShowClosingMessage(const std::string& message) {
    Dialogs().ShowMessage(owner_, AppTitle(), FromShiftJis(message));
}

void WindowCommandUi::ShowError(const std::string& message) {
    Dialogs().ShowError(owner_, FromShiftJis(Messages::kErrorCaption), MemoDisplayText(message));
}

void WindowCommandUi::ShowEngineMessage(const std::string& message) {
    Dialogs().ShowMessage(owner_, AppTitle(), FromShiftJis(message));
}

}  // namespace Sumirel

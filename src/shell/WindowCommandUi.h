#pragma once
// The engine's questions and messages as the main window shows them: Yes/No boxes with the
// caption "警告", closing messages titled "Sumirel", error boxes titled "エラー".

#include "diary/Commands.h"

class QWidget;

namespace Sumirel {

class WindowCommandUi final : public CommandUi {
public:
    explicit WindowCommandUi(QWidget* owner) : owner_(owner) {}

    bool AskYesNo(const std::string& question) override;
    void ShowClosingMessage(const std::string& message) override;
    void ShowError(const std::string& message) override;
    void ShowEngineMessage(const std::string& message) override;

private:
    QWidget* owner_;
};

}  // namespace Sumirel

#pragma once
// What the two settings dialogs share: a fixed dialog frame with only the close box, the
// form font, and their keys. Escape in one of the controls named by CancelOnEscape presses
// Cancel; the dialog itself takes neither Escape nor Enter, so Escape from any other control
// does nothing and Enter in an edit never presses a button (a push button with the focus
// still answers Enter itself).

#include <QDialog>
#include <vector>

class QPushButton;

namespace Sumirel {

class SettingsDialog : public QDialog {
public:
    SettingsDialog(QWidget* parent, const QString& caption);

    // Fills the controls from the settings file; runs whenever the dialog is shown by the
    // program (not when it comes back from being minimised). An error it raises is shown
    // by the application's error display.
    virtual void FormShow() = 0;

protected:
    // The dialog's fixed size, centred on the screen.
    void FixClientSize(int width, int height);
    void CancelOnEscape(QPushButton* cancel, const std::vector<QWidget*>& controls);
    // A key pressed in one of those controls: Escape clicks Cancel.
    void ControlKeyDown(int key);

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* cancel_ = nullptr;
};

}  // namespace Sumirel

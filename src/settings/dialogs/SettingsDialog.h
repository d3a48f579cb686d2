#pragma once
// What the two settings dialogs share: a resizable dialog frame with only the close box,
// the form font, their layout and their keys.
//
// Layout: the rows added with AddRow stand top to bottom, OK and Cancel in a row at the
// bottom right; a dialog that grows gives its extra height to the rows added with a stretch.
//
// Keys: Enter presses OK, the default button, from every control that does not use Enter
// itself (a multi-line box inserts a line break; a push button with the focus presses
// itself). Escape in one of the controls named by CancelOnEscape presses Cancel; Escape
// from any other control does nothing.

#include <QDialog>
#include <vector>

class QLayout;
class QPushButton;
class QVBoxLayout;

namespace Sumirel {

class SettingsDialog : public QDialog {
public:
    SettingsDialog(QWidget* parent, const QString& caption);

    // Fills the controls from the settings file; runs whenever the dialog is shown by the
    // program (not when it comes back from being minimised). An error it raises is shown
    // by the application's error display.
    virtual void FormShow() = 0;

protected:
    // A row below the rows added so far, above the buttons.
    void AddRow(QWidget* row, int stretch = 0);
    void AddRow(QLayout* row, int stretch = 0);
    // The bottom row; `ok` becomes the default button.
    void SetButtons(QPushButton* ok, QPushButton* cancel);
    // The designed client size as the initial size (larger when the layout needs more),
    // centred on the screen.
    void InitialClientSize(int width, int height);
    void CancelOnEscape(QPushButton* cancel, const std::vector<QWidget*>& controls);
    // A key pressed in one of those controls: Escape clicks Cancel.
    void ControlKeyDown(int key);

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QVBoxLayout* rows_;
    QPushButton* cancel_ = nullptr;
};

}  // namespace Sumirel

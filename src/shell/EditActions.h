#pragma once
// The standard edit actions of the context menu shared by the three multi-line edits: undo,
// cut, copy, paste, delete and select all. They act on the edit whose menu was opened and
// are enabled only when they apply (a selection to cut, copy or delete, text on the
// clipboard to paste, a step to undo, text to select).

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QPlainTextEdit;

namespace Sumirel {

class EditActions : public QObject {
    Q_OBJECT
public:
    explicit EditActions(QWidget* owner);

    // Gives `edit` this context menu.
    void Attach(QPlainTextEdit* edit);

    QMenu* PopupMenu1() const { return popup_; }
    // Brings every action up to date for `edit`.
    void UpdateFor(QPlainTextEdit* edit);

    QAction* Undo1;
    QAction* Cut1;
    QAction* Copy1;
    QAction* Paste1;
    QAction* Delete1;
    QAction* A1;

private:
    QMenu* popup_;
    QPointer<QPlainTextEdit> target_;
};

}  // namespace Sumirel

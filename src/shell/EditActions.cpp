#include "shell/EditActions.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace Sumirel {

namespace {

QAction* MakeAction(QMenu* menu, const QString& caption, const QKeySequence& shortcut,
                    const QString& hint) {
    QAction* action = menu->addAction(caption);
    // The shortcut is shown in the menu; the edit itself already handles the keys.
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setStatusTip(hint);
    action->setToolTip(hint.isEmpty() ? caption : hint);
    return action;
}

}  // namespace

EditActions::EditActions(QWidget* owner) : QObject(owner), popup_(new QMenu(owner)) {
    popup_->setObjectName("PopupMenu1");
    Undo1 = MakeAction(popup_, QString::fromUtf8("元に戻す(&U)"), QKeySequence::Undo, {});
    popup_->addSeparator();
    Cut1 = MakeAction(popup_, QString::fromUtf8("切り取り(&T)"), QKeySequence::Cut,
                      QString::fromUtf8("切り取り"));
    Copy1 = MakeAction(popup_, QString::fromUtf8("コピー(&C)"), QKeySequence::Copy,
                       QString::fromUtf8("コピー"));
    Paste1 = MakeAction(popup_, QString::fromUtf8("貼り付け(&P)"), QKeySequence::Paste,
                        QString::fromUtf8("貼り付け"));
    Delete1 = MakeAction(popup_, QString::fromUtf8("削除(&D)"), {}, {});
    popup_->addSeparator();
    A1 = MakeAction(popup_, QString::fromUtf8("すべてを選択(&A)"), {}, {});

    auto onTarget = [this](void (*act)(QPlainTextEdit*)) {
        return [this, act] {
            if (target_) {
                act(target_);
            }
        };
    };
    connect(Undo1, &QAction::triggered, this, onTarget([](QPlainTextEdit* e) { e->undo(); }));
    connect(Cut1, &QAction::triggered, this, onTarget([](QPlainTextEdit* e) { e->cut(); }));
    connect(Copy1, &QAction::triggered, this, onTarget([](QPlainTextEdit* e) { e->copy(); }));
    connect(Paste1, &QAction::triggered, this, onTarget([](QPlainTextEdit* e) { e->paste(); }));
    connect(Delete1, &QAction::triggered, this,
            onTarget([](QPlainTextEdit* e) { e->textCursor().removeSelectedText(); }));
    connect(A1, &QAction::triggered, this, onTarget([](QPlainTextEdit* e) { e->selectAll(); }));
}

void EditActions::Attach(QPlainTextEdit* edit) {
    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(edit, &QWidget::customContextMenuRequested, this, [this, edit](const QPoint& at) {
        UpdateFor(edit);
        popup_->popup(edit->viewport()->mapToGlobal(at));
    });
}

void EditActions::UpdateFor(QPlainTextEdit* edit) {
    target_ = edit;
    const bool writable = !edit->isReadOnly();
    const bool selection = edit->textCursor().hasSelection();
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    Undo1->setEnabled(writable && edit->document()->isUndoAvailable());
    Cut1->setEnabled(writable && selection);
    Copy1->setEnabled(selection);
    Paste1->setEnabled(writable && clip != nullptr && clip->hasText());
    Delete1->setEnabled(writable && selection);
    A1->setEnabled(!edit->document()->isEmpty());
}

}  // namespace Sumirel

#include "settings/dialogs/SettingsDialog.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QShowEvent>

#include "platform/widgets/FormStyle.h"
#include "platform/widgets/SumirelApplication.h"

namespace Sumirel {

SettingsDialog::SettingsDialog(QWidget* parent, const QString& caption) : QDialog(parent) {
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    ApplyFormFont(*this);
}

void SettingsDialog::FixClientSize(int width, int height) {
    setFixedSize(width, height);
    CentreOnScreen(*this);
}

void SettingsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        try {
            FormShow();
        } catch (...) {
            SumirelApplication::ShowCurrentException();
        }
    }
}

void SettingsDialog::CancelOnEscape(QPushButton* cancel, const std::vector<QWidget*>& controls) {
    cancel_ = cancel;
    for (QWidget* control : controls) {
        control->installEventFilter(this);
    }
}

void SettingsDialog::ControlKeyDown(int key) {
    if (key == Qt::Key_Escape && cancel_ != nullptr) {
        cancel_->click();
    }
}

bool SettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        ControlKeyDown(key);
        if (key == Qt::Key_Escape) {
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SettingsDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Enter:
        case Qt::Key_Return:
            event->accept();
            break;
        default:
            QDialog::keyPressEvent(event);
            break;
    }
}

}  // namespace Sumirel

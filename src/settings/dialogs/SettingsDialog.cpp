#include "settings/dialogs/SettingsDialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/widgets/FormStyle.h"
#include "platform/widgets/SumirelApplication.h"

namespace Sumirel {

SettingsDialog::SettingsDialog(QWidget* parent, const QString& caption)
    : QDialog(parent), rows_(new QVBoxLayout(this)) {
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ApplyFormFont(*this);
    rows_->setContentsMargins(8, 6, 8, 8);
    rows_->setSpacing(4);
}

void SettingsDialog::AddRow(QWidget* row, int stretch) {
    rows_->addWidget(row, stretch);
}

void SettingsDialog::AddRow(QLayout* row, int stretch) {
    rows_->addLayout(row, stretch);
}

void SettingsDialog::SetButtons(QPushButton* ok, QPushButton* cancel) {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    // Height the rows do not take stays above the buttons.
    rows_->addStretch(0);
    rows_->addLayout(buttons);
    ok->setDefault(true);
}

void SettingsDialog::InitialClientSize(int width, int height) {
    const QSize needed = minimumSizeHint();
    resize(std::max(width, needed.width()), std::max(height, needed.height()));
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
    // Escape has been handled by the controls that cancel; QDialog's own Escape would close
    // the dialog from the others too. Enter reaches QDialog, which presses the default button.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace Sumirel

#include "controls/Checkgroupbox.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>

namespace Sumirel {

namespace {

// What reading the Caption property gives, whatever the check box shows.
constexpr char kFixedCaption[] = "CheckGroup";

constexpr int kCheckBoxLeft = 7;
constexpr int kCheckBoxTop = -1;  // on the frame's top line
constexpr int kCheckBoxHeight = 21;
constexpr int kCaptionMargin = 10;

}  // namespace

TCheckGroupBox::TCheckGroupBox(QWidget* parent) : QGroupBox(parent) {
    captionText_ = QStringLiteral("aa");
    SetText(QStringLiteral("bb"));  // no effect: Caption ignores writes
    setTitle(QString());

    // Owned by the group box through Qt's parent, which destroys it with the box.
    checkBox_ = new QCheckBox(this);
    // As wide as a check box's natural height (what Qt sizes an empty one to when shown,
    // not the placeholder size every new child widget has), which leaves room for the
    // indicator; only ChangeCaption fits the width to a caption.
    const int defaultHeight = checkBox_->sizeHint().height();
    checkBox_->setGeometry(kCheckBoxLeft, kCheckBoxTop, defaultHeight, kCheckBoxHeight);
    checkBox_->setText(captionText_);
    checkBox_->setVisible(true);
}

TCheckGroupBox::~TCheckGroupBox() {
    // Deleting a child takes it off its parent's list, so QObject does not delete it again;
    // the guarded pointer is null if something else destroyed it earlier.
    delete checkBox_;
}

void TCheckGroupBox::ChangeCaption(const QString& text) {
    setTitle(QString());
    captionText_ = text;
    if (checkBox_) {
        checkBox_->setText(text);
        WAdjustSize(checkBox_->text());
    }
}

void TCheckGroupBox::WAdjustSize(const QString& text) {
    if (!checkBox_) {
        return;
    }
    const QRect area(QPoint(0, 0), checkBox_->rect().size());
    // Measured with the application's default font rather than the check box's own, tabs
    // expanded and '&' read as a mnemonic marker, as the check box itself reads it.
    const QFontMetrics metrics(QGuiApplication::font());
    const QRect needed = metrics.boundingRect(
        area, Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs | Qt::TextShowMnemonic, text);
    checkBox_->resize(needed.x() + needed.width() + kCaptionMargin, checkBox_->height());
}

QCheckBox* TCheckGroupBox::CheckBox() const {
    return checkBox_;
}

void TCheckGroupBox::Loaded() {
    setTitle(QString());
}

QString TCheckGroupBox::GetText() const {
    return QString::fromLatin1(kFixedCaption);
}

void TCheckGroupBox::SetText(const QString& /*text*/) {}

bool TCheckGroupBox::event(QEvent* event) {
    // Qt polishes a widget once, after whoever built it has set its properties and before it
    // is first shown: the moment a form has finished being read into it.
    if (event->type() == QEvent::Polish) {
        Loaded();
    }
    return QGroupBox::event(event);
}

}  // namespace Sumirel

#include "platform/widgets/DesignedSize.h"

#include <QFontInfo>
#include <algorithm>

namespace Sumirel {

namespace {

// The pixel size the windows were designed at.
constexpr int kDesignFontPixels = 13;

// A designed width at the widget's font.
int AtFont(const QWidget& widget, int designWidth) {
    const int pixels = std::max(QFontInfo(widget.font()).pixelSize(), kDesignFontPixels);
    return designWidth * pixels / kDesignFontPixels;
}

}  // namespace

DesignedEdit::DesignedEdit(int designWidth, QWidget* parent)
    : QLineEdit(parent), designWidth_(designWidth) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize DesignedEdit::sizeHint() const {
    QSize hint = QLineEdit::sizeHint();
    hint.setWidth(std::max(AtFont(*this, designWidth_), minimumSizeHint().width()));
    return hint;
}

DesignedButton::DesignedButton(const QString& caption, QSize designSize, QWidget* parent)
    : QPushButton(caption, parent), designSize_(designSize) {}

// A push button's own minimum is its size hint, which asks for the minimum in turn: both
// start from the base class's hint.
QSize DesignedButton::minimumSizeHint() const {
    return QPushButton::sizeHint().expandedTo(
        {AtFont(*this, designSize_.width()), designSize_.height()});
}

QSize DesignedButton::sizeHint() const {
    return minimumSizeHint();
}

}  // namespace Sumirel

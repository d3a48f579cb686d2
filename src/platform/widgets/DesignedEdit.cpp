#include "platform/widgets/DesignedEdit.h"

#include <QFontInfo>
#include <algorithm>

namespace Sumirel {

namespace {

// The pixel size the windows were designed at.
constexpr int kDesignFontPixels = 13;

}  // namespace

DesignedEdit::DesignedEdit(int designWidth, QWidget* parent)
    : QLineEdit(parent), designWidth_(designWidth) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize DesignedEdit::sizeHint() const {
    QSize hint = QLineEdit::sizeHint();
    const int pixels = std::max(QFontInfo(font()).pixelSize(), kDesignFontPixels);
    hint.setWidth(std::max(designWidth_ * pixels / kDesignFontPixels, minimumSizeHint().width()));
    return hint;
}

}  // namespace Sumirel

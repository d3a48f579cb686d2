#include "platform/widgets/FormStyle.h"

#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace Sumirel {

void ApplyFormFont(QWidget& window) {
    const QString family = QString::fromUtf8("ＭＳ Ｐゴシック");
    QFont::insertSubstitution(family, QStringLiteral("Noto Sans CJK JP"));
    QFont font(family);
    font.setPixelSize(13);
    window.setFont(font);
}

void CentreOnScreen(QWidget& window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

}  // namespace Sumirel

#include "shell/AnchoredSheet.h"

namespace Sumirel {

AnchoredSheet::AnchoredSheet(QSize designSize, QWidget* parent)
    : QWidget(parent), design_(designSize) {}

void AnchoredSheet::Place(QWidget* child, QRect designRect, int anchors) {
    child->setParent(this);
    items_.push_back({child, designRect, anchors});
    Apply(items_.back());
}

void AnchoredSheet::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (const Item& item : items_) {
        Apply(item);
    }
}

void AnchoredSheet::Apply(const Item& item) {
    const int dw = width() - design_.width();
    const int dh = height() - design_.height();
    QRect r = item.design;
    if (item.anchors & Right) {
        if (item.anchors & Left) {
            r.setWidth(r.width() + dw);
        } else {
            r.moveLeft(r.left() + dw);
        }
    }
    if (item.anchors & Bottom) {
        if (item.anchors & Top) {
            r.setHeight(r.height() + dh);
        } else {
            r.moveTop(r.top() + dh);
        }
    }
    item.widget->setGeometry(r.left(), r.top(), std::max(r.width(), 0), std::max(r.height(), 0));
}

}  // namespace Sumirel

#include "shell/AnchoredSheet.h"

#include <algorithm>

namespace Sumirel {

AnchoredSheet::AnchoredSheet(QSize designSize, QWidget* parent)
    : QWidget(parent), design_(designSize) {}

void AnchoredSheet::Place(QWidget* child, QRect designRect, int anchors) {
    child->setParent(this);
    items_.push_back({child, designRect, anchors});
    Apply(items_.back());
}

QSize AnchoredSheet::minimumSizeHint() const {
    // How far the page may shrink below its design size, in each direction.
    int shrinkWidth = design_.width();
    int shrinkHeight = design_.height();
    for (const Item& item : items_) {
        const QSize least = item.widget->minimumSizeHint().expandedTo({0, 0});
        const QRect& r = item.design;
        if ((item.anchors & Left) && (item.anchors & Right)) {
            shrinkWidth = std::min(shrinkWidth, r.width() - least.width());
        } else if (item.anchors & Right) {
            shrinkWidth = std::min(shrinkWidth, r.left());
        } else {
            shrinkWidth = std::min(shrinkWidth, design_.width() - r.left() - r.width());
        }
        if ((item.anchors & Top) && (item.anchors & Bottom)) {
            shrinkHeight = std::min(shrinkHeight, r.height() - least.height());
        } else if (item.anchors & Bottom) {
            shrinkHeight = std::min(shrinkHeight, r.top());
        } else {
            shrinkHeight = std::min(shrinkHeight, design_.height() - r.top() - r.height());
        }
    }
    return {design_.width() - std::max(shrinkWidth, 0),
            design_.height() - std::max(shrinkHeight, 0)};
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

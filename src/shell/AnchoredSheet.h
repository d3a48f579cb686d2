#pragma once
// A tab page whose children keep the distances to the page's edges they have at the design
// size: a child anchored right (or bottom) moves with that edge, one anchored both left and
// right (or top and bottom) stretches.

#include <QRect>
#include <QSize>
#include <QWidget>
#include <vector>

namespace Sumirel {

class AnchoredSheet : public QWidget {
public:
    enum Anchor { Left = 1, Top = 2, Right = 4, Bottom = 8, TopLeft = Left | Top, All = 15 };

    AnchoredSheet(QSize designSize, QWidget* parent = nullptr);

    // Places `child` at `designRect` (in design-size coordinates) and keeps it anchored.
    void Place(QWidget* child, QRect designRect, int anchors = TopLeft);

    // The smallest size at which every stretching child keeps its own minimum size and
    // every moving child stays on the page.
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Item {
        QWidget* widget;
        QRect design;
        int anchors;
    };
    void Apply(const Item& item);

    QSize design_;
    std::vector<Item> items_;
};

}  // namespace Sumirel

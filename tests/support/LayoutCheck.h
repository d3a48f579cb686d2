#pragma once
// A check of a window's layout that knows nothing of the window: it walks the visible
// controls and lists every fault a user would see. A control smaller than its minimum size
// hint (a cut caption, a squeezed field), two sibling controls that overlap, a control
// reaching out of its parent, and a control on its group box's caption or frame.
//
// Containers are walked into: plain widgets, dialogs, group boxes, the current page of a
// tab widget, a main window's central widget. Every other widget is a control, and its
// inner parts (the scroll bars of a box, the edit of a combo box) are its own business.

#include <QDialog>
#include <QGroupBox>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTabWidget>
#include <vector>

namespace SumirelTest {

namespace LayoutCheckDetail {

inline QString Name(const QWidget* w) {
    return (w->objectName().isEmpty() ? QString(w->metaObject()->className()) : w->objectName());
}

inline QString Rect(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// Where a group box's controls may stand: inside its frame, below its caption.
inline QRect GroupContents(const QGroupBox& box) {
    QStyleOptionGroupBox option;
    option.initFrom(&box);
    option.text = box.title();
    option.lineWidth = 1;
    option.midLineWidth = 0;
    option.textAlignment = box.alignment();
    option.subControls = QStyle::SC_GroupBoxFrame;
    if (!box.title().isEmpty()) {
        option.subControls |= QStyle::SC_GroupBoxLabel;
    }
    if (box.isFlat()) {
        option.features |= QStyleOptionFrame::Flat;
    }
    return box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents,
                                       &box);
}

inline std::vector<QWidget*> Controls(const QWidget& container) {
    std::vector<QWidget*> controls;
    if (const auto* main = qobject_cast<const QMainWindow*>(&container)) {
        for (QWidget* part : {static_cast<QWidget*>(main->menuBar()), main->centralWidget(),
                              static_cast<QWidget*>(main->statusBar())}) {
            if (part != nullptr && part->isVisible()) {
                controls.push_back(part);
            }
        }
        return controls;
    }
    for (QWidget* child : container.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() && child->isVisible()) {
            controls.push_back(child);
        }
    }
    return controls;
}

inline bool IsContainer(const QWidget& w) {
    return qobject_cast<const QGroupBox*>(&w) != nullptr ||
           qobject_cast<const QDialog*>(&w) != nullptr ||
           qobject_cast<const QMainWindow*>(&w) != nullptr ||
           w.metaObject() == &QWidget::staticMetaObject;
}

inline void Walk(const QWidget& container, QStringList& faults) {
    const std::vector<QWidget*> controls = Controls(container);
    const auto* group = qobject_cast<const QGroupBox*>(&container);
    const QRect inside = group != nullptr ? GroupContents(*group) : container.rect();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const QWidget* w = controls[i];
        const QSize hint = w->minimumSizeHint();
        if ((hint.width() > 0 && w->width() < hint.width()) ||
            (hint.height() > 0 && w->height() < hint.height())) {
            faults << QStringLiteral("%1 is %2x%3, below its minimum %4x%5")
                          .arg(Name(w))
                          .arg(w->width())
                          .arg(w->height())
                          .arg(hint.width())
                          .arg(hint.height());
        }
        if (!qobject_cast<const QMainWindow*>(&container) && !inside.contains(w->geometry())) {
            faults << QStringLiteral("%1 at %2 leaves %3's area %4")
                          .arg(Name(w), Rect(w->geometry()), Name(&container), Rect(inside));
        }
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            if (w->geometry().intersects(controls[j]->geometry())) {
                faults << QStringLiteral("%1 at %2 overlaps %3 at %4")
                              .arg(Name(w), Rect(w->geometry()), Name(controls[j]),
                                   Rect(controls[j]->geometry()));
            }
        }
        if (const auto* tabs = qobject_cast<const QTabWidget*>(w)) {
            if (tabs->currentWidget() != nullptr) {
                Walk(*tabs->currentWidget(), faults);
            }
        } else if (IsContainer(*w)) {
            Walk(*w, faults);
        }
    }
}

}  // namespace LayoutCheckDetail

// Every fault of the window's layout as it stands now, one line each; empty when none.
inline QStringList LayoutFaults(const QWidget& window) {
    QStringList faults;
    LayoutCheckDetail::Walk(window, faults);
    return faults;
}

}  // namespace SumirelTest

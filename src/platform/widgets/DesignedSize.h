#pragma once
// Controls that keep the size their window's design gives them at the form font's 13
// pixels. They grow with a larger font and never become smaller than the control itself
// needs, so a layout can hold them at their designed size without cutting them.

#include <QLineEdit>
#include <QPushButton>

namespace Sumirel {

// A single-line edit of the designed width.
class DesignedEdit : public QLineEdit {
public:
    explicit DesignedEdit(int designWidth, QWidget* parent = nullptr);

    QSize sizeHint() const override;

private:
    int designWidth_;
};

// A push button at least of the designed size.
class DesignedButton : public QPushButton {
public:
    DesignedButton(const QString& caption, QSize designSize, QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

private:
    QSize designSize_;
};

}  // namespace Sumirel

#pragma once
// A single-line edit as wide as its window's design gives it at the form font's 13 pixels.
// It widens with a larger font and is never narrower than the edit itself needs, so a
// layout can hold it at its designed width without cutting it.

#include <QLineEdit>

namespace Sumirel {

class DesignedEdit : public QLineEdit {
public:
    DesignedEdit(int designWidth, QWidget* parent = nullptr);

    QSize sizeHint() const override;

private:
    int designWidth_;
};

}  // namespace Sumirel

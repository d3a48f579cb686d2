#include "controls/Anospeedbutton.h"

namespace Sumirel {

TAnoSpeedButton::TAnoSpeedButton(QWidget* parent) : QToolButton(parent) {
    // Drawn flat until the pointer is over it, like the buttons of a tool bar.
    setAutoRaise(true);
}

TAnoSpeedButton::~TAnoSpeedButton() = default;

}  // namespace Sumirel

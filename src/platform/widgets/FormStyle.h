#pragma once
// What every window of Sumirel shares: its font and its place on the screen.

class QWidget;

namespace Sumirel {

// "ＭＳ Ｐゴシック" at 13 pixels, with Noto Sans CJK JP standing in where that family is missing.
void ApplyFormFont(QWidget& window);

// Moves the window so that its frame is centred on the primary screen.
void CentreOnScreen(QWidget& window);

}  // namespace Sumirel

#pragma once
// Widget text <-> Shift-JIS bytes (Windows code page 932).
//
// A character the code page cannot hold is written as an HTML numeric character reference
// ("&#x1F600;"), so that a page shows it as typed instead of losing it.

#include <QString>
#include <string>
#include <string_view>

namespace Sumirel {

std::string ToShiftJis(const QString& text);
QString FromShiftJis(std::string_view bytes);

}  // namespace Sumirel

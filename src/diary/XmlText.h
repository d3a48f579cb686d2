#pragma once
// UTF-8 text made safe for an XML document.

#include <string>
#include <string_view>

namespace Sumirel {

// The text as XML character data: & < > escaped (and " in attribute values), every line
// break made LF (in attribute values &#10;, which survives attribute normalisation), and the
// control characters XML cannot carry replaced by U+FFFD.
std::string XmlEscape(std::string_view utf8, bool attribute = false);

}  // namespace Sumirel

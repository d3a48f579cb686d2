#pragma once
// Text of multi-line edits. Our texts hold CR LF line breaks, Qt's edits hold "\n": these
// convert at that edge, both ways, together with the Shift-JIS conversion.

#include <QString>
#include <string>
#include <string_view>

namespace Sumirel {

// The edit's text as Shift-JIS bytes with CR LF line breaks (no break added at the end).
std::string MemoBytes(const QString& editText);

// Bytes for an edit: every line break (CR LF, lone CR, lone LF) becomes "\n".
QString MemoDisplayText(std::string_view bytes);

}  // namespace Sumirel

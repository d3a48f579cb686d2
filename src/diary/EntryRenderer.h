#pragma once
// Filling a template block's fragment with one diary entry.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "diary/DiaryFile.h"
#include "diary/Reporter.h"
#include "settings/Settings.h"

namespace Sumirel {

// The text with the first match of the pattern replaced; the empty text when the pattern
// does not occur.
std::string ReplaceMarker(std::string_view text, std::string_view pattern,
                          std::string_view replacement, Reporter& reporter);

// The contents laid out line by line: every line (CR LF, lone CR or lone LF end one; a final
// break adds none) becomes prefix + line + suffix + CR LF. Empty contents give "".
std::string RenderContents(std::string_view contents, const LenAddStrings& addStrings);

// The values of the field markers in the order they are replaced: contents (already laid
// out), date, weather, title, count.
inline constexpr std::size_t kFieldKinds = 5;
inline constexpr std::size_t kContentsField = 0;
using FieldValues = std::array<std::string_view, kFieldKinds>;

// The fragment with every field marker replaced, kind after kind (see AppendRenderedEntry).
std::string ReplaceFieldMarkers(std::string_view fragment, const FieldValues& values,
                                Reporter& reporter);

// Appends to `out` the fragment with every field marker replaced: contents, date, weather,
// title, then the entry's number. Each kind is replaced wherever it stands, the search for a
// kind going on after the value just inserted; a value may still hold markers of later
// kinds, which are replaced too. A replacement that would leave nothing at all keeps the
// marker.
void AppendRenderedEntry(std::string& out, std::uint32_t number, const SDiary& entry,
                         std::string_view blockTemplate, const LenAddStrings& addStrings,
                         Reporter& reporter);

std::string RenderEntry(std::uint32_t number, const SDiary& entry, std::string_view blockTemplate,
                        const LenAddStrings& addStrings, Reporter& reporter);

}  // namespace Sumirel

#pragma once
// The comment markers of templates and target files, as patterns for the pattern search.
//
// The weather keyword is accepted in both spellings, WEATHER and WHEATHER (as the diary's
// own tag spells it), in any letter case, so templates written for either keep working.

namespace Sumirel::Markers {

// Blocks of the template: matched in lower case only.
inline constexpr char kBlockStart[] = "<!-- *sumirel *-->";
inline constexpr char kBlockEnd[] = "<!-- *end_sumirel *-->";

// Field markers inside a block, in the order they are replaced.
inline constexpr char kContents[] = "<!-- *[Cc][Oo][Nn][Tt][Ee][Nn][Tt][Ss] *-->";
inline constexpr char kDate[] = "<!-- *[Dd][Aa][Tt][Ee] *-->";
inline constexpr char kWeather[] = "<!-- *[Ww][Hh]?[Ee][Aa][Tt][Hh][Ee][Rr] *-->";
inline constexpr char kTitle[] = "<!-- *[Tt][Ii][Tt][Ll][Ee] *-->";
inline constexpr char kCount[] = "<!-- *[Cc][Oo][Uu][Nn][Tt] *-->";

// Single-entry sections of target files: opening and closing marker of each kind.
inline constexpr char kContentsSngOpen[] =
    "<!-- *[Cc][Oo][Nn][Tt][Ee][Nn][Tt][Ss]_[Ss][Nn][Gg] *-->";
inline constexpr char kContentsSngClose[] =
    "<!-- */[Cc][Oo][Nn][Tt][Ee][Nn][Tt][Ss]_[Ss][Nn][Gg] *-->";
inline constexpr char kDateSngOpen[] = "<!-- *[Dd][Aa][Tt][Ee]_[Ss][Nn][Gg] *-->";
inline constexpr char kDateSngClose[] = "<!-- */[Dd][Aa][Tt][Ee]_[Ss][Nn][Gg] *-->";
inline constexpr char kWeatherSngOpen[] =
    "<!-- *[Ww][Hh]?[Ee][Aa][Tt][Hh][Ee][Rr]_[Ss][Nn][Gg] *-->";
inline constexpr char kWeatherSngClose[] =
    "<!-- */[Ww][Hh]?[Ee][Aa][Tt][Hh][Ee][Rr]_[Ss][Nn][Gg] *-->";
inline constexpr char kTitleSngOpen[] = "<!-- *[Tt][Ii][Tt][Ll][Ee]_[Ss][Nn][Gg] *-->";
inline constexpr char kTitleSngClose[] = "<!-- */[Tt][Ii][Tt][Ll][Ee]_[Ss][Nn][Gg] *-->";

}  // namespace Sumirel::Markers

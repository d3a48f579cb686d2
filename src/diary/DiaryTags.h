#pragma once
// The tags of the diary file. They hold no pattern characters, so the pattern search finds
// each of them literally.

namespace Sumirel::DiaryTags {

inline constexpr char kStart[] = "<Start>";
inline constexpr char kEnd[] = "<End>";
inline constexpr char kDateOpen[] = "<Date>";
inline constexpr char kDateClose[] = "</Date>";
inline constexpr char kWheatherOpen[] = "<Wheather>";
inline constexpr char kWheatherClose[] = "</Wheather>";
inline constexpr char kTitleOpen[] = "<Title>";
inline constexpr char kTitleClose[] = "</Title>";
inline constexpr char kContentsOpen[] = "<Contents>";
inline constexpr char kContentsClose[] = "</Contents>";

}  // namespace Sumirel::DiaryTags

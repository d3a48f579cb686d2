#pragma once
// A file's last-write time as a DOS date-time stamp: the date in the high 16 bits (years
// since 1980, month, day), the time in the low 16 bits (hours, minutes, seconds / 2), in
// local time. The editor and preview tabs compare stamps to see whether a file changed.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace Sumirel {

// -1 when the file cannot be opened for reading or its time cannot be expressed (before
// 1980 or after 2107). A real stamp is never 0.
std::int32_t FileAgeStamp(const std::string& fileName);

// The file's last-write time; nothing when the file cannot be examined.
std::optional<std::time_t> LastWriteTime(const std::string& fileName);

// The stamp of a moment, -1 when it cannot be expressed.
std::int32_t DosStamp(std::time_t moment);

// What tells one version of a file from another, far finer than a stamp: the exact time of
// the last write, the size and the file's identity (an atomic replace makes a new file).
// Empty when nothing is under the name.
std::string FileSignature(const std::string& fileName);

}  // namespace Sumirel

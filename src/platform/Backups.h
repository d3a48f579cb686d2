#pragma once
// Copies of a file kept before it is replaced, so that a bad Save or Write can be undone by
// hand: the folder "backup" beside the file holds "<file name>.<YYYYMMDD-HHMMSS>" (local
// time), with "-2", "-3"… added when several fall in one second.

#include <ctime>
#include <string>
#include <vector>

namespace Sumirel {

// Copies the file as it stands into its backup folder (atomically, with the file's own
// permissions), then removes all but the newest `keep` copies of it. Nothing is copied when
// the file does not exist yet; with `keep` 0 none is kept. Throws FileError; the file itself
// is never touched.
void KeepBackup(const std::string& fileName, int keep, std::time_t now = std::time(nullptr));

// The names of the file's copies in its backup folder, oldest first.
std::vector<std::string> BackupsOf(const std::string& fileName);

}  // namespace Sumirel

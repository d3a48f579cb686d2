#pragma once
// Whole-file reading and atomic writing, file existence and the process's folders.
//
// File names are Shift-JIS texts, as the settings hold them; they are converted to the file
// system's encoding (UTF-8) here and nowhere else.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "Errors.h"

namespace Sumirel {

// The whole content of the file, every byte (NUL included). Anything but a regular file (a
// FIFO, a device, a socket, a folder) is refused without waiting on it. Throws FileError.
std::string ReadWholeFile(const std::string& fileName);

// The whole content of a file that may be missing: nothing when no file is under the name. A
// name that exists but is no readable ordinary file (no read permission, a folder, a FIFO, a
// device) throws FileError, so that it never passes for a missing one. A FIFO is opened
// without waiting for a writer.
std::optional<std::string> ReadFileIfPresent(const std::string& fileName);

// How WriteFileAtomic sets the permissions of the file it replaces.
enum class FileModeRule {
    KeepExisting,  // an existing file keeps its own, a new one gets `newFileMode` less the umask
    OwnerOnly,     // readable and writable by the owner only, however it was before
};

// Replaces the file's content with `bytes` so that the old content survives any failure: the
// bytes go to a temporary file in the same folder, are flushed to disk and the temporary file
// is renamed over the old one. An existing file keeps its permissions (and, where allowed,
// its owner); a new file gets `newFileMode` less the umask. A file without any write
// permission counts as read-only and is not replaced, nor is anything but a regular file. A link is
// followed, so the file it points to is replaced. Throws FileError.
void WriteFileAtomic(const std::string& fileName, std::string_view bytes,
                     unsigned newFileMode = 0666,
                     FileModeRule modeRule = FileModeRule::KeepExisting);

// True when something other than a folder exists under the name.
bool FileExists(const std::string& fileName);

// True when the name is a regular file, or a link to one.
bool IsRegularFile(const std::string& fileName);

// The current folder, without a final separator (the root folder keeps it).
std::string CurrentFolder();

// The folder of the running executable, without a final separator (the root keeps it).
std::string ExecutableFolder();

// The file system's name for a Shift-JIS file name, and back. Bytes that do not convert are
// passed through unchanged.
std::filesystem::path NativePath(const std::string& fileName);
std::string TextFromNativePath(const std::filesystem::path& path);

}  // namespace Sumirel

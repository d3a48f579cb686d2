#pragma once
// The posix-rename@openssh.com request, which replaces an existing file atomically (a plain
// SFTP rename refuses to). libssh 0.10 has no call for it, so it is written and read here
// directly on the SFTP channel; the session must have no other request outstanding, which
// holds for a client that waits for every answer.

#include <libssh/sftp.h>

#include <optional>
#include <string>

namespace Sumirel {

// Renames `from` over `to`. Nothing when the server did it, else its reason (or why the
// request got no answer), in English.
std::optional<std::string> PosixRename(sftp_session sftp, const std::string& from,
                                       const std::string& to);

}  // namespace Sumirel

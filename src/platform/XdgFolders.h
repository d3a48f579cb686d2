#pragma once
// The folders Sumirel keeps files of its own in, beside the settings, after the XDG base
// directory rules: state that outlives a run (drafts, window geometry), the settings of an
// installed program, and secrets handed to other programs for a moment.
//
// Each returns a Shift-JIS file name like every other (see NativePath) and creates nothing.
// An XDG variable that is unset, empty or not an absolute path is ignored, as the rules say.

#include <string>

namespace Sumirel {

// $XDG_STATE_HOME/sumirel, default ~/.local/state/sumirel.
std::string StateFolder();
// $XDG_CONFIG_HOME/sumirel, default ~/.config/sumirel.
std::string ConfigFolder();
// $XDG_RUNTIME_DIR when set; otherwise a folder of our own in the temporary folder
// ($TMPDIR, default /tmp) named after the user id, which EnsurePrivateFolder creates 0700.
std::string RuntimeFolder();

// Creates the folder and its missing parents; the folder itself gets mode 0700 when it is
// new. An existing folder must belong to this user and be writable by nobody else, since
// what goes in it is private. Throws FileError.
void EnsurePrivateFolder(const std::string& folder);

}  // namespace Sumirel

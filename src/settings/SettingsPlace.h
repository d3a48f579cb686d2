#pragma once
// Where the settings file lives, for the window, its dialogs and sumirel-cli alike.

#include <string>

namespace Sumirel {

// "sumirel.ini" beside the executable when there is one: the portable set-up, which always
// wins (an executable in the root folder gives "//sumirel.ini"). Otherwise, as for an
// installed program whose folder the user cannot write, "sumirel.ini" in ConfigFolder().
// Creates nothing.
std::string SettingsFileName();

// Makes the settings file's folder ready before the file is written: the configuration
// folder is created private (0700) when the file lives there. A file elsewhere is left to
// its own folder. Throws FileError.
void PrepareSettingsFolder(const std::string& iniFileName);

}  // namespace Sumirel

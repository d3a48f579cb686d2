#pragma once
// Where the main window was when it last closed: its frame's position, its size, whether it
// was maximised and which tab was in front. Kept in window.ini of the state folder, apart
// from the settings file, since it is not a setting anyone edits.

#include <optional>
#include <string>

namespace Sumirel {

struct WindowPlace {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool Maximized = false;
    int Tab = 0;
};

// StateFolder()/window.ini.
std::string WindowPlaceFile();

// Nothing when the file is missing or lacks a size.
std::optional<WindowPlace> ReadWindowPlace(const std::string& fileName);
// Creates the state folder when it is missing. Throws FileError.
void WriteWindowPlace(const std::string& fileName, const WindowPlace& place);

}  // namespace Sumirel

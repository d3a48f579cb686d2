#include "shell/WindowPlace.h"

#include <filesystem>
#include <limits>

#include "platform/FileIO.h"
#include "platform/IniFile.h"
#include "platform/XdgFolders.h"

namespace Sumirel {

namespace {

constexpr char kSection[] = "Window";
constexpr int kMissing = std::numeric_limits<int>::min();

}  // namespace

std::string WindowPlaceFile() {
    return StateFolder() + "/window.ini";
}

std::optional<WindowPlace> ReadWindowPlace(const std::string& fileName) {
    const IniFile ini(fileName);
    WindowPlace place;
    place.Width = ini.ReadInteger(kSection, "Width", kMissing);
    place.Height = ini.ReadInteger(kSection, "Height", kMissing);
    if (place.Width <= 0 || place.Height <= 0) {
        return std::nullopt;
    }
    place.Left = ini.ReadInteger(kSection, "Left", 0);
    place.Top = ini.ReadInteger(kSection, "Top", 0);
    place.Maximized = ini.ReadBool(kSection, "Maximized", false);
    place.Tab = ini.ReadInteger(kSection, "Tab", 0);
    return place;
}

void WriteWindowPlace(const std::string& fileName, const WindowPlace& place) {
    EnsurePrivateFolder(TextFromNativePath(NativePath(fileName).parent_path()));
    const auto line = [](const char* key, int value) {
        return std::string(key) + "=" + std::to_string(value) + "\r\n";
    };
    WriteFileAtomic(fileName, std::string("[") + kSection + "]\r\n" + line("Left", place.Left) +
                                  line("Top", place.Top) + line("Width", place.Width) +
                                  line("Height", place.Height) +
                                  line("Maximized", place.Maximized ? 1 : 0) +
                                  line("Tab", place.Tab));
}

}  // namespace Sumirel

#include "settings/SettingsPlace.h"

#include "platform/FileIO.h"
#include "platform/XdgFolders.h"

namespace Sumirel {

namespace {

constexpr char kSettingsFile[] = "/sumirel.ini";

}  // namespace

std::string SettingsFileName() {
    const std::string portable = ExecutableFolder() + kSettingsFile;
    if (FileExists(portable)) {
        return portable;
    }
    return ConfigFolder() + kSettingsFile;
}

void PrepareSettingsFolder(const std::string& iniFileName) {
    const std::string folder = ConfigFolder();
    if (iniFileName == folder + kSettingsFile) {
        EnsurePrivateFolder(folder);
    }
}

}  // namespace Sumirel

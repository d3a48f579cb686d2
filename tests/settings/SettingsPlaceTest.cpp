#include "settings/SettingsPlace.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/IniFile.h"
#include "support/TempDir.h"

namespace {

using namespace Sumirel;
namespace fs = std::filesystem;

// Points XDG_CONFIG_HOME at a folder for the life of the object.
class ConfigHomeScope {
public:
    explicit ConfigHomeScope(const fs::path& folder) {
        ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }
    ~ConfigHomeScope() { ::unsetenv("XDG_CONFIG_HOME"); }
};

// Without a sumirel.ini beside the program (none lies beside this test), the settings are
// the user's own in the configuration folder, which the first write creates private.
TEST(SettingsPlaceTest, InstalledSettingsLiveInAPrivateConfigFolder) {
    SumirelTest::TempDir home;
    const ConfigHomeScope scope(home.Path() / "config");
    const std::string ini = home.File("config/sumirel/sumirel.ini");
    EXPECT_EQ(SettingsFileName(), ini);
    EXPECT_FALSE(fs::exists(home.Path() / "config")) << "naming the file creates nothing";

    PrepareSettingsFolder(ini);
    IniFile(ini).WriteString("Files", "DiaryFileName", "d.txt");
    EXPECT_EQ(fs::status(home.Path() / "config/sumirel").permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(ini).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(IniFile(SettingsFileName()).ReadString("Files", "DiaryFileName", ""), "d.txt");

    // A settings file named elsewhere (sumirel-cli --ini) is left to its own folder.
    PrepareSettingsFolder(home.File("elsewhere/sumirel.ini"));
    EXPECT_FALSE(fs::exists(home.Path() / "elsewhere"));
}

}  // namespace

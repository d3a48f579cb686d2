#pragma once
// The texts that explain how sumirel-cli is called.

namespace SumirelCli {

// The synopsis shown with a usage error.
extern const char kUsage[];
// The whole explanation of --help.
extern const char kHelp[];

}  // namespace SumirelCli

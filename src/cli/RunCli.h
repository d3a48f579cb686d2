#pragma once
// sumirel-cli from its arguments to its exit status.

#include <istream>
#include <ostream>

namespace SumirelCli {

enum ExitStatus : int {
    kSucceeded = 0,
    // Write: the entry is stored but the page or a target file failed (damage or a file
    // error); rebuild: a damaged diary or template was reported; a failed upload.
    kFormatError = 1,
    // Nothing was changed: a file error, bad usage or unusable input, settings without a
    // diary or page file, another writer holding the diary's lock, a refused duplicate.
    kNotDone = 2,
};

// Runs the command the arguments name. Write reads its contents from `in`; the closing
// message goes to `out`, everything else to `err`.
int RunCli(int argc, const char* const* argv, std::istream& in, std::ostream& out,
           std::ostream& err);

}  // namespace SumirelCli

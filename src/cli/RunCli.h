#pragma once
// sumirel-cli from its arguments to its exit status.

#include <istream>
#include <ostream>

namespace SumirelCli {

enum ExitStatus : int {
    kSucceeded = 0,
    // A damaged diary or template was reported by the command; a failed upload.
    kFormatError = 1,
    // A file error, bad usage or unusable input, or settings without a diary or page file.
    kNotDone = 2,
};

// Runs the command the arguments name. Write reads its contents from `in`; the closing
// message goes to `out`, everything else to `err`.
int RunCli(int argc, const char* const* argv, std::istream& in, std::ostream& out,
           std::ostream& err);

}  // namespace SumirelCli

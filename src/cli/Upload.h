#pragma once
// The upload without a window: the same steps as the upload window, its log lines printed;
// the dry run that shows what would be sent; the trust command that stores the server's
// identity.

#include <chrono>
#include <istream>
#include <optional>
#include <ostream>
#include <string>

namespace SumirelCli {

// How long a dial may take before the upload counts it as failed (the window waits for
// Cancel instead; a script has nobody to press it).
inline constexpr std::chrono::seconds kDialTimeout{120};

// Exit status as RunCli returns it. A dry run connects to nothing and returns kNotDone when
// a file to send is missing or unreadable.
int Upload(const std::string& iniFileName, bool dryRun, std::ostream& out, std::ostream& err);

// Connects far enough to see the server's certificate or host key, shows it, and stores its
// fingerprint when the user answers yes on a terminal, or when it equals `fingerprint`.
int Trust(const std::string& iniFileName, const std::optional<std::string>& fingerprint,
          std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace SumirelCli

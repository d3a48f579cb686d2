#pragma once
// The upload without a window: the same steps as the upload window, its log lines printed.

#include <chrono>
#include <ostream>
#include <string>

namespace SumirelCli {

// How long a dial may take before the upload counts it as failed (the window waits for
// Cancel instead; a script has nobody to press it).
inline constexpr std::chrono::seconds kDialTimeout{120};

// Exit status as RunCli returns it.
int Upload(const std::string& iniFileName, std::ostream& out, std::ostream& err);

}  // namespace SumirelCli

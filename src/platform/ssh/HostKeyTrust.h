#pragma once
// Whether a server's SSH host key may be used, from what known_hosts says about it and the
// fingerprint the settings pinned. Plain C++, so the rules are tested without a server.

#include <string>

namespace Sumirel {

// What the known_hosts files say about the key the server showed.
enum class KnownHostsVerdict {
    Match,    // an entry for this host (and port) holds this key
    Changed,  // entries for this host (and port) hold other keys only
    Unknown,  // no entry for this host (and port), or no file
};

enum class TrustDecision {
    Accept,  // known or pinned: go on
    Refuse,  // the key differs from the one known or pinned: refuse without asking
    Ask,     // neither known nor pinned: the user decides
};

// A key known by either source is accepted, even when the other holds an older key (the user
// has vouched for this one); otherwise a source that holds another key refuses it. A pinned
// text that is not in the SHA256: form pins nothing.
TrustDecision DecideHostKeyTrust(KnownHostsVerdict knownHosts, const std::string& fingerprint,
                                 const std::string& pinned);

// Fingerprints in the form "SHA256:" followed by base64 (ssh-keygen -l -E sha256). The prefix
// is compared without regard to case, the base64 exactly; surrounding blanks and base64
// padding do not count. An empty text equals nothing.
bool SameHostKeyFingerprint(const std::string& a, const std::string& b);

}  // namespace Sumirel

#include "HostKeyTrust.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace Sumirel {

namespace {

constexpr std::string_view kPrefix = "SHA256:";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The base64 part of a fingerprint, or empty when the text is not in the SHA256: form.
std::string_view Digest(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '=')) {
        text.remove_suffix(1);
    }
    if (text.size() <= kPrefix.size() ||
        !std::equal(kPrefix.begin(), kPrefix.end(), text.begin(), [](char p, char c) {
            return std::toupper(static_cast<unsigned char>(c)) == p;
        })) {
        return {};
    }
    return text.substr(kPrefix.size());
}

}  // namespace

bool SameHostKeyFingerprint(const std::string& a, const std::string& b) {
    const std::string_view digestA = Digest(a);
    return !digestA.empty() && digestA == Digest(b);
}

TrustDecision DecideHostKeyTrust(KnownHostsVerdict knownHosts, const std::string& fingerprint,
                                 const std::string& pinned) {
    const bool pinnedMatches = SameHostKeyFingerprint(fingerprint, pinned);
    if (knownHosts == KnownHostsVerdict::Match || pinnedMatches) {
        return TrustDecision::Accept;
    }
    // A pinned text of another form (a certificate's fingerprint left from FTP over TLS) pins
    // no host key.
    const bool pinnedDiffers = !Digest(pinned).empty();
    if (knownHosts == KnownHostsVerdict::Changed || pinnedDiffers) {
        return TrustDecision::Refuse;
    }
    return TrustDecision::Ask;
}

}  // namespace Sumirel

#include "platform/ssh/HostKeyTrust.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Sumirel::DecideHostKeyTrust;
using Sumirel::KnownHostsVerdict;
using Sumirel::SameHostKeyFingerprint;
using Sumirel::TrustDecision;

constexpr const char* kKey = "SHA256:q3BUw1Tm7dH1k7eVxHkZTQwEpq9nLJZ0XKcX7PpbBrA";
constexpr const char* kOther = "SHA256:7h5QoLQCaLDxRm0o3P5Wv1qfGsZ2v0Hm4Kk7nq2c1aE";

struct Case {
    const char* name;
    KnownHostsVerdict knownHosts;
    std::string pinned;
    TrustDecision expected;
};

TEST(DecideHostKeyTrust, FollowsKnownHostsAndThePin) {
    const Case cases[] = {
        {"nominal: known, nothing pinned", KnownHostsVerdict::Match, "", TrustDecision::Accept},
        {"nominal: pinned, not known", KnownHostsVerdict::Unknown, kKey, TrustDecision::Accept},
        {"nominal: neither: ask", KnownHostsVerdict::Unknown, "", TrustDecision::Ask},
        {"changed: known_hosts holds another key", KnownHostsVerdict::Changed, "",
         TrustDecision::Refuse},
        {"changed: another key pinned", KnownHostsVerdict::Unknown, kOther, TrustDecision::Refuse},
        {"changed: both differ", KnownHostsVerdict::Changed, kOther, TrustDecision::Refuse},
        {"vouched: pinned although known_hosts is stale", KnownHostsVerdict::Changed, kKey,
         TrustDecision::Accept},
        {"vouched: known although the pin is stale", KnownHostsVerdict::Match, kOther,
         TrustDecision::Accept},
        {"other form: a certificate's fingerprint pins no host key", KnownHostsVerdict::Unknown,
         "AB:CD:EF:01", TrustDecision::Ask},
        {"blank: only blanks pin nothing", KnownHostsVerdict::Unknown, "  ", TrustDecision::Ask},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecideHostKeyTrust(c.knownHosts, kKey, c.pinned), c.expected) << c.name;
    }
}

TEST(SameHostKeyFingerprint, ComparesTheDigestExactly) {
    const std::string key = kKey;
    EXPECT_TRUE(SameHostKeyFingerprint(key, key));
    EXPECT_TRUE(SameHostKeyFingerprint(key, " sha256:" + key.substr(7) + "=\n"))
        << "prefix, blanks, pad";
    EXPECT_FALSE(SameHostKeyFingerprint(key, kOther));
    EXPECT_FALSE(SameHostKeyFingerprint(key, "SHA256:Q3BUw1Tm7dH1k7eVxHkZTQwEpq9nLJZ0XKcX7PpbBrA"))
        << "base64 is case-sensitive";
    EXPECT_FALSE(SameHostKeyFingerprint("", "")) << "empty matches nothing";
    EXPECT_FALSE(SameHostKeyFingerprint("SHA256:", "SHA256:"));
    EXPECT_FALSE(SameHostKeyFingerprint(key.substr(7), key.substr(7))) << "the prefix is required";
}

}  // namespace

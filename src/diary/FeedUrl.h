#pragma once
// Addresses in the feed (UTF-8 texts): resolving references against the diary page's address
// (RFC 3986, section 5) and making the links of HTML absolute.

#include <string>
#include <string_view>

namespace Sumirel {

// The reference resolved against the absolute base address. A reference with a scheme of its
// own (https:, mailto:, data:) is returned unchanged.
std::string ResolveUrl(std::string_view base, std::string_view reference);

// The host of an absolute address with an authority ("https://user@Example.org:8080/x" gives
// "example.org"), in lower case; empty when the address has none, or when the host is no DNS
// name (an IPv6 literal, a name with other characters).
std::string UrlHost(std::string_view url);

// The text as one path segment: every byte other than unreserved ones (RFC 3986) written as
// %XX.
std::string PercentEncodeSegment(std::string_view text);

// The HTML with the value of every href and src attribute resolved against the base. Values
// are decoded before resolving and written back quoted and escaped; comments stay untouched.
std::string AbsolutizeLinks(std::string_view html, std::string_view base);

}  // namespace Sumirel

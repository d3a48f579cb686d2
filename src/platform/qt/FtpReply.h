#pragma once
// Reading what an FTP server says: replies taken off the control connection's received
// bytes, and the few reply texts the client interprets (passive addresses, sizes, hashes,
// the features a server announces).

#include <QByteArray>
#include <QHostAddress>

#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace Sumirel::Ftp {

// One reply: its code and its whole text as received (every line, with the code), without
// the final line break.
struct Reply {
    int code = 0;
    std::string text;
    int Kind() const { return code / 100; }
};

// Thrown by TakeReply for bytes that are no FTP reply.
struct BadReply {
    std::string line;
};

// Takes the first complete reply off `inbox`, or nothing while it is incomplete. A reply is
// one line "ddd text", or a first line "ddd-text" and further lines up to one that begins
// with the same code and a space (RFC 959, 4.2); the lines between may say anything, other
// codes included. Lines end with CR LF; a lone LF is taken as a line end as well.
std::optional<Reply> TakeReply(QByteArray& inbox);

// The port of a 229 reply: "229 Entering Extended Passive Mode (|||6446|)" (RFC 2428).
std::optional<std::uint16_t> ParseEpsv(const std::string& text);

struct PassiveAddress {
    QHostAddress address;
    std::uint16_t port = 0;
};
// The address of a 227 reply: "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)".
std::optional<PassiveAddress> ParsePasv(const std::string& text);

// An address no server on the internet can have: private, shared (carrier NAT), loopback,
// link-local, unspecified, multicast or reserved. A server behind NAT often names such an
// address of its own in the PASV reply.
bool IsUnroutable(const QHostAddress& address);

// The number of a 213 reply to SIZE.
std::optional<std::int64_t> ParseSize(const std::string& text);

// The hash in a 213 reply to HASH ("213 SHA-256 0-99 <hex> name") or to XSHA256, XSHA1 or
// XMD5 ("213 <hex>"): the first word of `hexLength` hex digits, in lower case.
std::optional<std::string> ParseHash(const std::string& text, int hexLength);

// The features of a 211 reply to FEAT (RFC 2389): each line's first word in upper case,
// and, for HASH, the algorithms it lists ("HASH SHA-256;SHA-1*;MD5") as "HASH SHA-256" ...
std::set<std::string> ParseFeatures(const std::string& text);

}  // namespace Sumirel::Ftp

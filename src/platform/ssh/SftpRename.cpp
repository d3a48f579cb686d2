#include "SftpRename.h"

#include <libssh/libssh.h>

#include <cstdint>
#include <string_view>

namespace Sumirel {

namespace {

constexpr std::uint8_t kExtended = 200;  // SSH_FXP_EXTENDED
constexpr std::uint8_t kStatus = 101;    // SSH_FXP_STATUS
constexpr std::uint32_t kOk = 0;         // SSH_FX_OK
// A status reply is small; anything larger is not one.
constexpr std::uint32_t kMaxReply = 64 * 1024;

void PutU32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xff));
    }
}

void PutString(std::string& out, std::string_view text) {
    PutU32(out, static_cast<std::uint32_t>(text.size()));
    out.append(text);
}

std::uint32_t GetU32(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// Reads exactly `count` bytes; false when the channel ends or fails first.
bool ReadExactly(ssh_channel channel, std::string& out, std::size_t count) {
    out.assign(count, '\0');
    std::size_t have = 0;
    while (have < count) {
        const int got = ssh_channel_read(channel, out.data() + have,
                                         static_cast<std::uint32_t>(count - have), 0);
        if (got < 0 ||
            (got == 0 && (ssh_channel_is_eof(channel) != 0 || ssh_channel_is_open(channel) == 0))) {
            return false;
        }
        have += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

std::optional<std::string> PosixRename(sftp_session sftp, const std::string& from,
                                       const std::string& to) {
    const std::uint32_t id = ++sftp->id_counter;
    std::string body;
    body.push_back(static_cast<char>(kExtended));
    PutU32(body, id);
    PutString(body, "posix-rename@openssh.com");
    PutString(body, from);
    PutString(body, to);
    std::string packet;
    PutU32(packet, static_cast<std::uint32_t>(body.size()));
    packet += body;
    if (ssh_channel_write(sftp->channel, packet.data(),
                          static_cast<std::uint32_t>(packet.size())) !=
        static_cast<int>(packet.size())) {
        return std::string("the request could not be sent");
    }

    std::string length;
    std::string reply;
    if (!ReadExactly(sftp->channel, length, 4)) {
        return std::string("the connection ended before the answer");
    }
    const std::uint32_t size = GetU32(length, 0);
    if (size < 9 || size > kMaxReply || !ReadExactly(sftp->channel, reply, size)) {
        return std::string("the answer could not be read");
    }
    if (static_cast<std::uint8_t>(reply[0]) != kStatus || GetU32(reply, 1) != id) {
        return std::string("the server answered something else");
    }
    if (GetU32(reply, 5) == kOk) {
        return std::nullopt;
    }
    std::string message = "the server refused (status " + std::to_string(GetU32(reply, 5)) + ")";
    if (size >= 13) {
        const std::uint32_t textLength = GetU32(reply, 9);
        if (textLength > 0 && textLength <= size - 13) {
            message = reply.substr(13, textLength);
        }
    }
    return message;
}

}  // namespace Sumirel

#include "platform/Utf8FromShiftJis.h"

#include <iconv.h>

#include <cerrno>

namespace Sumirel {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";

bool IsAscii(std::string_view text) {
    for (unsigned char c : text) {
        if (c >= 0x80) {
            return false;
        }
    }
    return true;
}

struct IconvHandle {
    iconv_t cd;
    ~IconvHandle() {
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            ::iconv_close(cd);
        }
    }
};

}  // namespace

std::string Utf8FromShiftJis(std::string_view sjis) {
    if (IsAscii(sjis)) {
        return std::string(sjis);
    }
    const IconvHandle handle{::iconv_open("UTF-8", "CP932")};
    std::string out;
    if (handle.cd == reinterpret_cast<iconv_t>(-1)) {
        // Without the converter only ASCII can be trusted.
        for (unsigned char c : sjis) {
            out += c < 0x80 ? std::string(1, static_cast<char>(c)) : kReplacement;
        }
        return out;
    }
    out.reserve(sjis.size() * 3 / 2);
    char* in = const_cast<char*>(sjis.data());
    std::size_t inLeft = sjis.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = ::iconv(handle.cd, &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer, sizeof buffer - outLeft);
        if (rc != static_cast<std::size_t>(-1)) {
            break;
        }
        if (error == E2BIG) {
            continue;
        }
        // EILSEQ or EINVAL (a lead byte at the very end): skip one byte and go on.
        out += kReplacement;
        ++in;
        --inLeft;
        ::iconv(handle.cd, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
}

}  // namespace Sumirel

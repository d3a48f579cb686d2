#pragma once
// A 64-bit hash of bytes that stays the same across builds, runs and machines (unlike
// std::hash), for names and ids that must be found again later: a draft's file name, a
// feed entry's id.

#include <cstdint>
#include <string_view>

namespace Sumirel {

// FNV-1a, 64 bits.
constexpr std::uint64_t StableHash(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

}  // namespace Sumirel

#include "Scramble.h"

#include <cstddef>
#include <string_view>

namespace Sumirel {

namespace {

constexpr std::string_view kKey =
    "QwErTyUiOpAsDfGhJkLzXcVbNmPoIuYtReWqMnBvCxZlKjHgFdSaQaZwSxEdCrFvTgByHnUj";
static_assert(kKey.size() == 72);

// The shift of byte position i: the key letter's code modulo 10, 0 past the key's end.
unsigned char Shift(std::size_t i) {
    return i < kKey.size() ? static_cast<unsigned char>(kKey[i] % 10) : 0;
}

// Adds `sign` times the shift of each position, modulo 256.
std::string ShiftBytes(const std::string& text, int sign) {
    std::string out(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int shifted = static_cast<unsigned char>(text[i]) + sign * Shift(i);
        out[i] = static_cast<char>(static_cast<unsigned char>(shifted & 0xFF));
    }
    return out;
}

}  // namespace

std::string ScrambleText(const std::string& plain) {
    return ShiftBytes(plain, -1);
}

std::string UnscrambleText(const std::string& scrambled) {
    return ShiftBytes(scrambled, +1);
}

}  // namespace Sumirel

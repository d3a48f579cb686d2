#pragma once
// The byte-wise shift that keeps the stored credentials from being read at a glance.
// Position i (from 0) of a value is shifted by the code of the key's letter i modulo 10;
// positions past the key's 72 letters are not shifted. Output has the input's length.

#include <string>

namespace Sumirel {

std::string ScrambleText(const std::string& plain);
std::string UnscrambleText(const std::string& scrambled);

}  // namespace Sumirel

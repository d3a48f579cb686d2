#pragma once
// Finding the next block of a template, shared by the page builder's two ways of cutting.

#include <cstddef>
#include <string>

#include "diary/Reporter.h"

namespace Sumirel {

struct TemplateBlock {
    bool Found = false;
    std::size_t Start = 0;          // 0-based offset of the block start marker
    std::size_t FragmentBegin = 0;  // first byte after the start marker
    std::size_t FragmentEnd = 0;    // first byte of the block end marker
    std::size_t End = 0;            // first byte after the block end marker
};

// The first block whose start marker begins at or after the 0-based offset `from`. End
// markers standing before that start marker are removed from `text` one by one first, as
// strays. Not found when a start or an end marker is missing.
TemplateBlock FindTemplateBlock(std::string& text, std::size_t from, Reporter& reporter);

// The fragment with its leading bytes of value 0x20 or below (blanks, line breaks, other
// control bytes) removed; trailing white space stays.
std::string BlockFragment(const std::string& text, const TemplateBlock& block);

}  // namespace Sumirel

#include "diary/TemplateBlock.h"

#include "diary/FindPattern.h"
#include "diary/Markers.h"

namespace Sumirel {

TemplateBlock FindTemplateBlock(std::string& text, std::size_t from, Reporter& reporter) {
    for (;;) {
        const PatternMatch s = SearchPattern(text, Markers::kBlockStart, from, reporter).Match;
        const PatternMatch e = SearchPattern(text, Markers::kBlockEnd, from, reporter).Match;
        if (!s.Found || !e.Found) {
            return {};
        }
        if (e.Position < s.Position) {
            // Removing a stray end marker can join its neighbours into a new marker, so both
            // searches start over.
            text.erase(e.Position - 1, e.Length);
            continue;
        }
        TemplateBlock block;
        block.Found = true;
        block.Start = s.Position - 1;
        block.FragmentBegin = block.Start + s.Length;
        block.FragmentEnd = e.Position - 1;
        block.End = block.FragmentEnd + e.Length;
        return block;
    }
}

std::string BlockFragment(const std::string& text, const TemplateBlock& block) {
    // An end marker cannot begin inside a start marker, so the fragment is never negative.
    std::size_t begin = block.FragmentBegin;
    while (begin < block.FragmentEnd && static_cast<unsigned char>(text[begin]) <= 0x20) {
        ++begin;
    }
    return text.substr(begin, block.FragmentEnd - begin);
}

}  // namespace Sumirel

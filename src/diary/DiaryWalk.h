#pragma once
// Walking the diary text entry by entry, as the page builder reads it.
//
// The walk takes the first "<Start>" of the remaining text and the first "<End>" of the
// remaining text, cuts the block between them out and goes on with what is left. Text before
// a block stays behind in the remaining text and is never rendered. Instead of cutting from
// the front of a shrinking copy, the walk keeps the text left behind (`behind_`) and a cursor
// into the untouched rest, so it reads every byte a bounded number of times. A tag that the
// text left behind and the rest form together is still found, as in a real cut.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "diary/Reporter.h"

namespace Sumirel {

class DiaryWalk {
public:
    // Walks the whole text; throws FormatError for a "<Start>" without "<End>" after it, or
    // an "<End>" before the next "<Start>".
    DiaryWalk(std::string_view diaryText, Reporter& reporter);

    std::size_t Count() const { return blocks_.size(); }
    // The text of block i, from "<Start>" through "<End>".
    std::string_view Block(std::size_t i) const;

private:
    struct Span {
        std::size_t begin = 0;  // range in the diary text, when `own` is empty
        std::size_t end = 0;
        std::string own;  // a block that began in the text left behind
    };
    struct Hit {
        bool found = false;
        std::size_t position = 0;  // 0-based in (behind_ + rest)
    };

    Hit Find(const char* tag, std::size_t tagLength) const;

    std::string_view text_;
    Reporter& reporter_;
    std::string behind_;
    std::size_t cursor_ = 0;
    std::vector<Span> blocks_;
};

}  // namespace Sumirel

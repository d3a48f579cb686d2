#include "diary/DiaryWalk.h"

#include <cstring>

#include "diary/DiaryTags.h"
#include "diary/FindPattern.h"
#include "diary/FormatError.h"
#include "diary/Messages.h"

namespace Sumirel {

DiaryWalk::Hit DiaryWalk::Find(const char* tag, std::size_t tagLength) const {
    // The text left behind holds no whole tag (it would have been found earlier), so a match
    // there must reach across into the rest; it begins in the last tagLength - 1 bytes.
    const std::size_t keep = std::min(behind_.size(), tagLength - 1);
    if (keep > 0) {
        std::string seam = behind_.substr(behind_.size() - keep);
        seam.append(text_.substr(cursor_, tagLength - 1));
        const PatternMatch m = FindPattern(seam, tag, reporter_);
        if (m.Found && m.Position - 1 < keep) {
            return {true, behind_.size() - keep + (m.Position - 1)};
        }
    }
    const PatternMatch m = SearchPattern(text_, tag, cursor_, reporter_).Match;
    if (!m.Found) {
        return {};
    }
    return {true, behind_.size() + (m.Position - 1 - cursor_)};
}

DiaryWalk::DiaryWalk(std::string_view diaryText, Reporter& reporter)
    : text_(diaryText), reporter_(reporter) {
    const std::size_t startLength = std::strlen(DiaryTags::kStart);
    const std::size_t endLength = std::strlen(DiaryTags::kEnd);
    for (;;) {
        const Hit start = Find(DiaryTags::kStart, startLength);
        if (!start.found) {
            break;
        }
        const Hit end = Find(DiaryTags::kEnd, endLength);
        if (!end.found) {
            throw FormatError(Messages::kNoDiaryEnd);
        }
        if (start.position > end.position) {
            throw FormatError(Messages::kDiaryDamaged);
        }
        // An "<End>" always reaches into the rest, so the block ends there.
        const std::size_t blockEnd = cursor_ + (end.position + endLength - behind_.size());
        Span block;
        if (start.position >= behind_.size()) {
            const std::size_t blockBegin = cursor_ + (start.position - behind_.size());
            behind_.append(text_.substr(cursor_, blockBegin - cursor_));
            block.begin = blockBegin;
            block.end = blockEnd;
        } else {
            block.own = behind_.substr(start.position);
            block.own.append(text_.substr(cursor_, blockEnd - cursor_));
            behind_.resize(start.position);
        }
        blocks_.push_back(std::move(block));
        cursor_ = blockEnd;
    }
}

std::string_view DiaryWalk::Block(std::size_t i) const {
    const auto& block = blocks_[i];
    if (!block.own.empty()) {
        return block.own;
    }
    return text_.substr(block.begin, block.end - block.begin);
}

}  // namespace Sumirel

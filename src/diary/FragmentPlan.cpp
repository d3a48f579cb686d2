#include "diary/FragmentPlan.h"

namespace Sumirel {

namespace {

// A placeholder is CR followed by the field's digit: no marker can hold a CR, and a fragment
// of line-normalised text never has a CR that is not followed by LF.
constexpr char kPlaceholderStart = '\r';

}  // namespace

FragmentPlan::FragmentPlan(std::string_view blockTemplate, Reporter& reporter) {
    static constexpr std::string_view kPlaceholders[kFieldKinds] = {"\r0", "\r1", "\r2", "\r3",
                                                                    "\r4"};
    rendered_ = ReplaceFieldMarkers(
        blockTemplate,
        {kPlaceholders[0], kPlaceholders[1], kPlaceholders[2], kPlaceholders[3], kPlaceholders[4]},
        reporter);
    const std::string_view text = rendered_;
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const char digit = text[i + 1];
        if (text[i] != kPlaceholderStart || digit < '0' || digit >= '0' + int{kFieldKinds}) {
            continue;
        }
        if (i > start) {
            segments_.push_back({text.substr(start, i - start), -1});
        }
        const int kind = digit - '0';
        segments_.push_back({{}, kind});
        used_[kind] = true;
        start = i + 2;
        ++i;
    }
    if (start < text.size()) {
        segments_.push_back({text.substr(start), -1});
    }
}

bool FragmentPlan::Inert(std::string_view value) {
    if (value.empty() || value.find("<!") != value.npos || value.find("-->") != value.npos ||
        value.back() == '<' || value.front() == '>' || value.starts_with("->")) {
        return false;
    }
    for (const char c : value) {
        const bool inner =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ' || c == '/' || c == '_';
        if (!inner) {
            return true;
        }
    }
    return false;
}

bool FragmentPlan::TryAppend(std::string& out, const FieldValues& values) const {
    for (std::size_t kind = 0; kind < kFieldKinds; ++kind) {
        if (used_[kind] && !Inert(values[kind])) {
            return false;
        }
    }
    for (const Segment& segment : segments_) {
        out += segment.kind < 0 ? segment.text : values[static_cast<std::size_t>(segment.kind)];
    }
    return true;
}

}  // namespace Sumirel

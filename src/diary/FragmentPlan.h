#pragma once
// A block's fragment rendered once with its field values left open, so that every entry of
// the diary is rendered by copying the fragment's text and its values in turn.
//
// Rendering replaces the markers kind after kind, and a later kind's marker may be formed
// by, or found inside, an earlier kind's value. The plan is therefore used only for an
// entry whose values cannot take part in any marker: a value that is not empty, holds a byte
// no marker's inner part can hold (a marker's inner part is letters, blanks, "/" and "_"),
// holds neither "<!" nor "-->", does not end with "<" and does not begin with ">" or "->".
// Then every marker found lies in the fragment's own text, exactly where the plan found it;
// any other entry is rendered the full way.

#include <string>
#include <string_view>
#include <vector>

#include "diary/EntryRenderer.h"

namespace Sumirel {

class FragmentPlan {
public:
    FragmentPlan(std::string_view blockTemplate, Reporter& reporter);

    // Appends the entry's rendering when the plan may be used for these values.
    bool TryAppend(std::string& out, const FieldValues& values) const;

    // Whether the fragment holds a marker of that field, so its value is needed at all.
    bool Uses(std::size_t kind) const { return used_[kind]; }

    // Whether a value can never take part in a marker.
    static bool Inert(std::string_view value);

private:
    struct Segment {
        std::string_view text;  // the fragment's own text, when `kind` is none
        int kind = -1;          // the field whose value goes here
    };
    std::string rendered_;  // the fragment with a placeholder for every value
    std::vector<Segment> segments_;
    bool used_[kFieldKinds] = {};
};

}  // namespace Sumirel

#pragma once
// How the diary engine reaches the user. The engine never touches widgets: a window shows
// these texts in message boxes, the command line on standard error, tests record them.

#include <string>

namespace Sumirel {

class Reporter {
public:
    virtual ~Reporter() = default;

    // A damaged diary or template: a box with the caption "エラー", the stop icon and OK.
    virtual void ShowError(const std::string& message) = 0;

    // The regular-expression engine's own text for a pattern it could not take: a plain box
    // with the application's title as its caption and OK.
    virtual void ShowEngineMessage(const std::string& message) = 0;
};

}  // namespace Sumirel

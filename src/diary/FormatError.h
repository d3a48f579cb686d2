#pragma once
// A damaged diary or template. It carries only its message; the operation that detects it
// shows the message and reports failure, so it never leaves the engine.

#include <stdexcept>

namespace Sumirel {

class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace Sumirel

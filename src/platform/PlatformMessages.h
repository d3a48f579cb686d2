#pragma once
// The platform layer's own texts, Shift-JIS (written readably in PlatformMessages.cpp).

#include <span>

#include "platform/MessageText.h"

namespace Sumirel::PlatformMessages {

extern const char kFilePrefix[];      // ファイル "
extern const char kCannotOpen[];      // " を開けません。
extern const char kCannotWrite[];     // " に書き込めません。
extern const char kIniCannotWrite[];  //  に書き込めません (after the settings file's path)
extern const char kNotRegularFile[];  // the reason for a name that is no ordinary file

std::span<const MessageText* const> All();

}  // namespace Sumirel::PlatformMessages

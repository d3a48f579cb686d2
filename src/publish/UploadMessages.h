#pragma once
// The upload's log lines, Shift-JIS (written readably in UploadMessages.cpp).

#include <span>

#include "platform/MessageText.h"

namespace Sumirel::UploadMessages {

extern const char kConnecting[];         // 接続中
extern const char kConnected[];          // 接続完了
extern const char kChangingDirSuffix[];  // (folder)へ変更
extern const char kDirChanged[];         // ディレクトリ変更完了
extern const char kSendingPrefix[];      // ファイル (path) を転送中
extern const char kSendingSuffix[];
extern const char kSent[];    // 転送完了
extern const char kFailed[];  // 失敗
// Lines of their own besides the ones above.
extern const char kCheckedSize[];               // the sizes agree
extern const char kCheckedSizeAndHashPrefix[];  // sizes and (hash name) agree
extern const char kCheckedSizeAndHashSuffix[];
extern const char kNotChecked[];      // the server offers no way to check
extern const char kRetryingPrefix[];  // (reason): sending once more
extern const char kCancelled[];       // the reason of a cancelled upload

std::span<const MessageText* const> All();

}  // namespace Sumirel::UploadMessages

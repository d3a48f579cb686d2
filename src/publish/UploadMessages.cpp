#include "publish/UploadMessages.h"

namespace Sumirel::UploadMessages {

SUMIREL_MESSAGE(kConnecting, "接続中");
SUMIREL_MESSAGE(kConnected, "接続完了");
SUMIREL_MESSAGE(kChangingDirSuffix, "へ変更");
SUMIREL_MESSAGE(kDirChanged, "ディレクトリ変更完了");
SUMIREL_MESSAGE(kSendingPrefix, "ファイル ");
SUMIREL_MESSAGE(kSendingSuffix, " を転送中");
SUMIREL_MESSAGE(kSent, "転送完了");
SUMIREL_MESSAGE(kFailed, "失敗");

std::span<const MessageText* const> All() {
    static const MessageText* const all[] = {
        &kConnectingText, &kConnectedText,     &kChangingDirSuffixText,
        &kDirChangedText, &kSendingPrefixText, &kSendingSuffixText,
        &kSentText,       &kFailedText};
    return all;
}

}  // namespace Sumirel::UploadMessages

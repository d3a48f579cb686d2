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
SUMIREL_MESSAGE(kCheckedSize, "確認: サーバー上の大きさが一致しました");
SUMIREL_MESSAGE(kCheckedSizeAndHashPrefix, "確認: サーバー上の大きさと ");
SUMIREL_MESSAGE(kCheckedSizeAndHashSuffix, " ハッシュが一致しました");
SUMIREL_MESSAGE(kNotChecked, "未確認: サーバーが大きさもハッシュも答えないため、確認していません");
SUMIREL_MESSAGE(kRetryingPrefix, "新しい接続でもう一度送ります: ");
SUMIREL_MESSAGE(kCancelled, "キャンセルされました");

std::span<const MessageText* const> All() {
    static const MessageText* const all[] = {&kConnectingText,
                                             &kConnectedText,
                                             &kChangingDirSuffixText,
                                             &kDirChangedText,
                                             &kSendingPrefixText,
                                             &kSendingSuffixText,
                                             &kSentText,
                                             &kFailedText,
                                             &kCheckedSizeText,
                                             &kCheckedSizeAndHashPrefixText,
                                             &kCheckedSizeAndHashSuffixText,
                                             &kNotCheckedText,
                                             &kRetryingPrefixText,
                                             &kCancelledText};
    return all;
}

}  // namespace Sumirel::UploadMessages

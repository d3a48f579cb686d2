#include "diary/Messages.h"

namespace Sumirel::Messages {

SUMIREL_MESSAGE(kNoBlockEnd, "<!--end_sumirel--> が見つかりませんでした");
SUMIREL_MESSAGE(kNoDiaryEnd,
                "日記ファイルに<END>が見つかりませんでした\r\n破損している恐れがあります");
SUMIREL_MESSAGE(kDiaryDamaged,
                "日記ファイルが破損しています\r\n手動で書き換えた場合には構文を確認してください");
SUMIREL_MESSAGE(kErrorCaption, "エラー");
SUMIREL_MESSAGE(kWarningCaption, "警告");
SUMIREL_MESSAGE(kAskNoTitle, "タイトルが書かれていませんが、続行しますか？");
SUMIREL_MESSAGE(kAskNoContents, "内容が書かれていませんが、続行しますか？");
SUMIREL_MESSAGE(kAskDuplicate,
                "最新の日記と日付・天気・題名・内容が同じです。もう一度書き込みますか？");
SUMIREL_MESSAGE(kWriteDone, "書き込み完了");
SUMIREL_MESSAGE(kWriteFailed, "書き込み失敗");
SUMIREL_MESSAGE(kRebuilt, "再構築しました");
SUMIREL_MESSAGE(kFeedNoUrl,
                "フィードのUrlが設定されていません\r\n"
                "フィードを作るには日記ページのアドレスを設定してください");
SUMIREL_MESSAGE(kFeedBadUrl,
                "フィードのUrlが日記ページのアドレスになっていません\r\n"
                "https://example.org/diary/Diary.html のように設定してください");
SUMIREL_MESSAGE(kDefaultFeedTitle, "日記");

std::span<const MessageText* const> All() {
    static const MessageText* const all[] = {
        &kNoBlockEndText,     &kNoDiaryEndText,      &kDiaryDamagedText,  &kErrorCaptionText,
        &kWarningCaptionText, &kAskNoTitleText,      &kAskNoContentsText, &kAskDuplicateText,
        &kWriteDoneText,      &kWriteFailedText,     &kRebuiltText,       &kFeedNoUrlText,
        &kFeedBadUrlText,     &kDefaultFeedTitleText};
    return all;
}

}  // namespace Sumirel::Messages

#pragma once
// The engine's own texts, Shift-JIS (written readably in Messages.cpp).

#include <span>

#include "platform/MessageText.h"

namespace Sumirel::Messages {

extern const char kNoBlockEnd[];    // the template's block has no end marker
extern const char kNoDiaryEnd[];    // an entry of the diary file has no <END>
extern const char kDiaryDamaged[];  // an <END> before its <START>

extern const char kErrorCaption[];    // エラー: caption of the boxes that show the errors above
extern const char kWarningCaption[];  // 警告: caption of the questions

extern const char kAskNoTitle[];     // the entry has no title: go on?
extern const char kAskNoContents[];  // the entry has no contents: go on?

extern const char kAskDuplicate[];  // the entry equals the diary's newest: write it again?

extern const char kWriteDone[];    // 書き込み完了
extern const char kWriteFailed[];  // 書き込み失敗
extern const char kRebuilt[];      // 再構築しました

extern const char kFeedNoUrl[];         // a feed is set but the diary page's address is not
extern const char kFeedBadUrl[];        // the diary page's address is no usable web address
extern const char kDefaultFeedTitle[];  // 日記: the feed's title when nothing else gives one

std::span<const MessageText* const> All();

}  // namespace Sumirel::Messages

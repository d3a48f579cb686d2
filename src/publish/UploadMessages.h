#pragma once
// The upload's log lines, as Shift-JIS bytes (the comment above each gives it readably).

namespace Sumirel::UploadMessages {

// 接続中
inline constexpr char kConnecting[] = "\x90\xda\x91\xb1\x92\x86";
// 接続完了
inline constexpr char kConnected[] = "\x90\xda\x91\xb1\x8a\xae\x97\xb9";
// (folder)へ変更
inline constexpr char kChangingDirSuffix[] = "\x82\xd6\x95\xcf\x8dX";
// ディレクトリ変更完了
inline constexpr char kDirChanged[] =
    "\x83"
    "f\x83"
    "B\x83\x8c\x83N\x83g\x83\x8a\x95\xcf\x8dX\x8a\xae\x97\xb9";
// ファイル (path) を転送中
inline constexpr char kSendingPrefix[] =
    "\x83t\x83@\x83"
    "C\x83\x8b ";
inline constexpr char kSendingSuffix[] = " \x82\xf0\x93]\x91\x97\x92\x86";
// 転送完了
inline constexpr char kSent[] = "\x93]\x91\x97\x8a\xae\x97\xb9";
// 失敗
inline constexpr char kFailed[] = "\x8e\xb8\x94s";

}  // namespace Sumirel::UploadMessages

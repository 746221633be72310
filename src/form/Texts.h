#pragma once
// The tool's own texts, UTF-8. They are shown through the wide APIs, so they
// read the same on every system whatever its ANSI code page.

namespace texts {

inline constexpr char kDefaultMarker[] = "regist_pernad.cgi";

inline constexpr char kLoadDone[] = "データファイル読み込み完了";
inline constexpr char kLoadDoneUtf8[] = "データファイル読み込み完了 (UTF-8)";
// Both kept as the tool has always shown them (docs/BEHAVIOUR.md).
inline constexpr char kConvertDone[] = "データ変換&&ファイル保存完了";
inline constexpr char kDedupDone[] = "URL重複削除処理完了";
inline constexpr char kNoSavePath[] = "保存先アドレスが未入力です。";
inline constexpr char kNotLoaded[] = "データファイルが読み込まれていません。";
// The same text for every job (docs/BEHAVIOUR.md).
inline constexpr char kThreadCreateError[] = "RECV THREAD CREATE ERROR!!";

// Followed by a line break and the path concerned.
inline constexpr char kDataOpenFailed[] = "データファイルを開けませんでした。";
inline constexpr char kDataReadFailed[] = "データファイルの読み込みに失敗しました。";
inline constexpr char kUtf16Unsupported[] =
    "データファイルの文字コード (UTF-16) には対応していません。";
inline constexpr char kSaveFailed[] = "保存ファイルに書き込めませんでした。";
// After the save failure and its path, when the old file could not be put back.
inline constexpr char kOldContentKept[] = "元の内容は次のファイルに残っています。";

// A save file that mixes Shift-JIS and UTF-8 rows is written as UTF-8; followed by a
// line with the number of the row ("No,12") and one with the save path.
inline constexpr char kRowNotUtf8[] =
    "UTF-8 に変換できない文字を含む行があるため、保存しませんでした。";

// The lists' rows could not be put on the clipboard.
inline constexpr char kCopyFailed[] = "クリップボードにコピーできませんでした。";

inline constexpr char kOutOfMemory[] = "メモリが不足しているため、処理を中止しました。";
// Followed by a line break and the data file at risk.
inline constexpr char kOverwriteDataFile[] = "保存先がデータファイルと同じです。上書きしますか？";
// Followed by a line break and the save file, which a job of this run wrote from the rows
// of another data file.
inline constexpr char kOverwriteOtherResult[] =
    "保存先には別のデータファイルの結果が保存されています。上書きしますか？";

} // namespace texts

#pragma once
// The debugger's fixed user-visible texts.
namespace vuro_plugin::texts {

inline constexpr char16_t dialog_title[] = u"VUROダイレクトプラグイン スクリプト デバッガー";
inline constexpr char16_t plugin_list_label[] = u"テスト対象プラグイン一覧(&L)";
inline constexpr char16_t refresh_button[] = u"更新";
inline constexpr char16_t folder_hint[] =
    u"※このモジュールと同階層にある「plugin」フォルダー内に存在する「.pl」「.rb」「.py」"
    u"ファイルが対象となります";
inline constexpr char16_t debug_group[] = u"デバッグ";
inline constexpr char16_t lookup_label[] = u"表記(&H)";
inline constexpr char16_t run_button[] = u"実行";
inline constexpr char16_t output_label[] = u"標準出力結果(&S)";
inline constexpr char16_t error_label[] = u"標準エラー出力結果(&E)";

inline constexpr char16_t no_plugin_found[] =
    u"ロード対象のプラグインが見つかりませんでした。\r\n"
    u"モジュールと同階層にある「plugin」フォルダー内に存在する「.rb」「.pl」「.py」ファイルが"
    u"対象となります。\r\n"
    u"再度読み込む場合は「更新」ボタンをクリックして下さい。";
inline constexpr char16_t empty_lookup_text[] =
    u"検索対象となる文字列を設定してから実行してください";
inline constexpr char16_t lookup_text_too_long[] =
    u"検索対象となる文字列は200文字以内にしてください";
// Followed by the reason, in the standard-error box after the run's own output.
inline constexpr char16_t settings_not_read[] =
    u"設定を読み込めなかったため、既定の設定で実行しました: ";
inline constexpr char16_t unexpected_error[] = u"実行中に予期せぬエラーが発生しました。";
// Followed by the folder's path and missing_product_folder_after.
inline constexpr char16_t missing_product_folder_before[] = u"製品のデータフォルダー「";
inline constexpr char16_t missing_product_folder_after[] =
    u"」がありません。このフォルダーを作成してから、もう一度実行してください。";
// The folder hint and the message for an empty list while the per-user plug-in folder is
// in use: its path goes between the two parts.
inline constexpr char16_t per_user_folder_hint_before[] = u"※「";
inline constexpr char16_t per_user_folder_hint_after[] =
    u"」フォルダー内に存在する「.pl」「.rb」「.py」ファイルが対象となります";
inline constexpr char16_t per_user_no_plugin_found_before[] =
    u"ロード対象のプラグインが見つかりませんでした。\r\n「";
inline constexpr char16_t per_user_no_plugin_found_after[] =
    u"」フォルダー内に存在する「.rb」「.pl」「.py」ファイルが対象となります。\r\n"
    u"再度読み込む場合は「更新」ボタンをクリックして下さい。";

}  // namespace vuro_plugin::texts

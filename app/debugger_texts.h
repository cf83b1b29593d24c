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
// Beside the "表記" box when what was pasted or typed did not fit.
inline constexpr char16_t lookup_text_cut[] =
    u"表記は 200 文字（UTF-16 で 200 単位）までのため、入りきらない分を切り捨てました。";
// The title's end while a run goes.
inline constexpr char16_t run_going_title_suffix[] = u"（実行中 — Esc で中止）";

// Notices in the standard-error box, after the interpreter's own output. Those with a
// _before and an _after part are joined around a name or a number.
inline constexpr char16_t run_stopped[] = u"（実行を中止しました。ここまでが中止までの出力です）";
inline constexpr char16_t time_limit_syntax_check_before[] = u"（構文チェックが制限時間 ";
inline constexpr char16_t time_limit_processing_before[] = u"（候補取得の呼び出しが制限時間 ";
inline constexpr char16_t time_limit_after[] =
    u" 秒を超えたため、インタープリターを終了しました。ここまでが終了までの出力です）";
inline constexpr char16_t interpreter_not_started_before[] = u"（インタープリター「";
inline constexpr char16_t interpreter_not_started_after[] =
    u"」を起動できませんでした。PATH "
    u"の通ったフォルダーから探しましたが、見つからないか実行できません）";
inline constexpr char16_t output_too_large[] =
    u"（標準出力が 10 MiB を超えたため、候補の文書として読み込めませんでした。"
    u"出力は取り込んだ分だけ表示しています）";
// Why a completed run has no candidates to preview.
inline constexpr char16_t no_candidates_empty_output[] =
    u"候補はありません。プラグインは標準出力に何も書きませんでした。";
inline constexpr char16_t no_candidates_not_a_document[] =
    u"候補はありません。標準出力は候補の文書として読めませんでした。\n";
inline constexpr char16_t no_candidates_in_document[] =
    u"候補はありません。候補の文書に type=\"script_candidate\" の item がありません。";
inline constexpr char16_t no_candidates_run_not_completed[] =
    u"候補はありません。この実行は候補取得の呼び出しを終えませんでした。";
inline constexpr char16_t no_candidates_no_run_yet[] = u"候補はありません。まだ実行していません。";
// The candidate preview: its window's title, the link that opens it (a count and two
// times go between the parts), and what it says of a comment.
inline constexpr char16_t preview_title[] = u"候補プレビュー";
inline constexpr char16_t preview_link_before[] = u"候補 ";
inline constexpr char16_t preview_link_count_after[] = u" 件（構文チェック ";
inline constexpr char16_t preview_link_syntax_check_after[] = u" 秒・処理 ";
inline constexpr char16_t preview_link_after[] = u" 秒）";
inline constexpr char16_t preview_no_comment[] = u"（コメントはありません）";
inline constexpr char16_t preview_comment_not_xml[] =
    u"コメントは XML として読めないため、そのままの文字で表示しています。";
// In place of the output past a dialog box's display limit, around the limit's number.
inline constexpr char16_t box_display_limited_before[] = u"（出力が大きいため、この欄には先頭の ";
inline constexpr char16_t box_display_limited_after[] =
    u" 文字だけを表示しています。すべてを見るには plugdebug-cli を使ってください）";
inline constexpr char16_t settings_file_before[] = u"（設定ファイル「";
inline constexpr char16_t settings_line_before[] = u"」の ";
inline constexpr char16_t settings_line_after[] =
    u" 行目を解釈できなかったため、既定の設定で実行しました）";
inline constexpr char16_t settings_unparsable_after[] =
    u"」を解釈できなかったため、既定の設定で実行しました）";
inline constexpr char16_t settings_unreadable_after[] =
    u"」を読み込めなかったため、既定の設定で実行しました）";
inline constexpr char16_t settings_too_large_after[] =
    u"」が大きすぎて読み込めなかったため、既定の設定で実行しました）";
inline constexpr char16_t settings_not_a_file_after[] =
    u"」が通常のファイルではないため、既定の設定で実行しました）";
inline constexpr char16_t settings_no_location[] =
    u"（XDG_CONFIG_HOME も HOME も絶対パスではなく、設定ファイルの場所が決まらないため、"
    u"既定の設定で実行しました）";
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

// The plug-in's commands after a run, and the notice for one whose call did not run:
// "（" name call_not_run [reason] "）".
inline constexpr char16_t callback_call[] = u"コールバック（run_callback）";
inline constexpr char16_t preference_call[] = u"設定（run_preference）";
inline constexpr char16_t call_not_run[] = u"の呼び出しは実行されませんでした";
inline constexpr char16_t not_run_bridge_file[] =
    u"。データフォルダーに一時ファイルを作成できませんでした";
inline constexpr char16_t not_run_script_missing[] = u"。プラグインのファイルが見つかりません";
inline constexpr char16_t not_run_pipe[] = u"。インタープリターの出力を受け取れませんでした";

}  // namespace vuro_plugin::texts

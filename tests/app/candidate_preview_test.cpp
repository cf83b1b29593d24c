// What both dialogs show of a run's candidates, without a window.
#include <gtest/gtest.h>

#include "app/candidate_preview.h"
#include "app/debugger_texts.h"

namespace {

using namespace vuro_plugin;

run_result completed(std::vector<viewer_candidate> items, std::int64_t check_ms,
                     std::int64_t processing_ms) {
    run_result run;
    run.result = run_result::outcome::completed;
    run.candidates.items = std::move(items);
    run.timings = {check_ms, processing_ms};
    return run;
}

TEST(candidate_preview, link_counts_the_candidates_and_gives_both_times_in_seconds) {
    const viewer_candidate any{u"a", {}, {}, {}, {}, {}};
    const struct {
        run_result run;
        std::u16string link;
    } cases[] = {
        {completed({any, any, any, any, any}, 90, 214),
         u"候補 5 件（構文チェック 0.09 秒・処理 0.21 秒）"},
        {completed({}, 0, 5), u"候補 0 件（構文チェック 0.00 秒・処理 0.01 秒）"},
        {completed({any}, 1004, 12345), u"候補 1 件（構文チェック 1.00 秒・処理 12.35 秒）"},
        {run_result::ended(run_result::outcome::stopped), u""},
        {run_result::ended(run_result::outcome::no_language), u""},
    };
    for (const auto& c : cases) EXPECT_EQ(preview_link_text(c.run), c.link);
}

TEST(candidate_preview, rows_follow_the_viewer_order_and_say_why_when_there_are_none) {
    run_result run = completed({{u"今日", u"c", {}, {}, {}, {}},
                                {u"x", {}, u"definite_string", u"X", u"エックス", u"情報"},
                                {u"サイト", {}, u"url_jump_string", u"https://a.example/", {}, {}}},
                               1, 1);
    const candidate_preview_content content = preview_content_of(run);
    const std::vector<std::u16string> rows{u"1. 今日",
                                           u"2. x　→ エックス（definite_string）　［情報］",
                                           u"3. サイト　→ https://a.example/（url_jump_string）"};
    EXPECT_EQ(content.rows, rows);
    EXPECT_EQ(content.candidates.size(), 3u);
    EXPECT_TRUE(content.why_none.empty());

    run.candidates = {{}, u"候補はありません。理由"};
    EXPECT_TRUE(preview_content_of(run).rows.empty());
    EXPECT_EQ(preview_content_of(run).why_none, u"候補はありません。理由");
    EXPECT_EQ(preview_content_of(run_result::ended(run_result::outcome::failed)).why_none,
              texts::no_candidates_run_not_completed);
}

// What a view without a browser shows of a comment: the document's text when the
// product's parser reads it, the comment as it is otherwise.
TEST(candidate_preview, comment_as_text_removes_markup_only_from_a_well_formed_document) {
    const std::u16string bridge_comment =
        u"<?xml version=\"1.0\" encoding=\"UTF-8\" ?><html xmlns=\"http://www.w3.org/1999/xhtml\">"
        u"<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\" />"
        u"<title>t</title></head><body><h2>2026年12月9日</h2>きょうの日付（水曜日）<br />"
        u"形式: 西暦</body></html>";
    const struct {
        const char* name;
        std::u16string comment;
        bool well_formed;
        std::u16string text;
    } cases[] = {
        {"the bridge's document", bridge_comment, true,
         u"2026年12月9日\nきょうの日付（水曜日）\n形式: 西暦"},
        {"blanks collapse, blocks break lines",
         u"<div>  a \n\t b <p>c</p><ul><li>d</li><li> e </li></ul>f</div>", true,
         u"a b\nc\nd\ne\nf"},
        {"entities and character references",
         u"<p>&lt;b&gt; &amp; &quot;q&quot; &apos;s&apos; &#x41;&#66; &#x1F600;</p>", true,
         u"<b> & \"q\" 's' AB \U0001F600"},
        {"style, script, comments and CDATA",
         u"<body><style>p{}</style><script>x()</script><!-- no -->a<![CDATA[<b>]]>b</body>", true,
         u"a<b>b"},
        {"pre keeps its blanks", u"<div>x<pre>  a\n   b</pre>y</div>", true, u"x\n  a\n   b\ny"},
        {"consecutive breaks stay", u"<p>a<br/><br/>b<br/></p>", true, u"a\n\nb"},
        {"prefixed and upper-case names", u"<x:DIV xmlns:x=\"u\">a<x:BR/>b</x:DIV>", true, u"a\nb"},
        {"an unclosed element is refused", u"<p>a<b>b</p>", false, u"<p>a<b>b</p>"},
        {"an undeclared entity is refused", u"<p>a&nbsp;b</p>", false, u"<p>a&nbsp;b</p>"},
        {"plain text is refused", u"ただの文 & more", false, u"ただの文 & more"},
        {"empty", u"", false, texts::preview_no_comment},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(comment_is_well_formed(c.comment), c.well_formed);
        const comment_text shown = comment_as_text(c.comment);
        EXPECT_EQ(shown.text, c.text);
        // Only a comment shown as it is written says so.
        EXPECT_EQ(shown.note.empty(), c.well_formed || c.comment.empty());
    }
}

// Markup removal never gives up on a broken text (it also serves the refused ones).
TEST(candidate_preview, markup_removal_keeps_what_is_not_markup) {
    const struct {
        std::u16string document, text;
    } cases[] = {{u"a < b", u"a < b"},
                 {u"a &unknown; &#xZZ; &", u"a &unknown; &#xZZ; &"},
                 {u"<p title='x>y'>a</p", u"a</p"},
                 {u"<![CDATA[open", u"open"},
                 {u"<head>never closed", u""}};
    for (const auto& c : cases) EXPECT_EQ(markup_removed(c.document), c.text);
}

}  // namespace

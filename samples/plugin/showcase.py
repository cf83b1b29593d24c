# Sample Python plug-in: shows what a candidate can carry. For any text it offers
#  - a candidate with a plain comment (the two characters \n start a new line),
#  - one with a comment written as an XHTML document,
#  - one whose tooltip jumps to a web page (url_jump_string) under an alias,
#  - one whose tooltip is a definite string, with character-kind information.
import urllib.parse

XHTML = """<?xml version="1.0" encoding="UTF-8" ?>
<html xmlns="http://www.w3.org/1999/xhtml">
<head><meta http-equiv="Content-Type" content="text/html; charset=UTF-8" /></head>
<body>
<h2>{title}</h2>
<p>この説明は <b>XHTML</b> で書かれています。</p>
<ul><li>comment_xhtml は comment より優先されます</li><li>上限は 10240 文字です</li></ul>
</body>
</html>"""


def escape(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;"))


def vuro_plugin_run_process(request):
    text = request["composition_string"]
    if text == "":
        return {"candidate": []}
    return {"candidate": [
        {"hyoki": text,
         "comment": "「%s」の説明です。\\nこの行は \\n で改行しました。" % text,
         "info": "そのまま"},
        {"hyoki": "【%s】" % text,
         "comment_xhtml": XHTML.format(title=escape(text)),
         "comment": "comment_xhtml があるので、この説明は表示されません。"},
        {"hyoki": "%sを検索" % text,
         "alternative_type": "url_jump_string",
         "alternative": "https://www.example.com/search?q=" + urllib.parse.quote(text),
         "alternative_alias": "example.com で「%s」を検索" % text},
        {"hyoki": "「%s」" % text,
         "alternative_type": "definite_string",
         "alternative": "確定すると入る文字列: 「%s」" % text,
         "info": "かぎ括弧"},
    ]}


def vuro_plugin_run_preference(request):
    pass


def vuro_plugin_run_callback(request):
    print("committed: " + request["candidate_string"])

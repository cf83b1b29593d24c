# Test plug-in: the composition string picks what it answers (see scenario.pl and
# scenario.rb, which answer alike).
import io
import sys


def describe(value):
    if isinstance(value, int) and not isinstance(value, bool):
        return "int:%d" % value
    return "text:%d:%s" % (len(value), value)


def print_request(request):
    for key in sorted(request):
        sys.stdout.write("%s=%s\n" % (key, describe(request[key])))


def walk():
    result = []
    for index in range(150):
        kind = index % 10
        if kind == 3:
            result.append("not a candidate")
        elif kind == 7:
            result.append({"hyoki": ""})
        elif kind == 8:
            result.append({"comment": "no title"})
        else:
            result.append({"hyoki": "c%d" % index})
    return result


def cut():
    return [
        {"hyoki": "&" * 100},
        {"hyoki": "あ" * 120, "info": "i" * 65, "alternative_alias": "a" * 101},
        {"hyoki": "<" * 101, "comment_xhtml": "x" * 10241},
    ]


def controls():
    return [
        {"hyoki": "a\tb\nc\rd\x01e\x7ff\x00g", "comment_xhtml": "a\tb\nc\rd\x01e\x7ff",
         "info": "i\tj", "alternative_type": "definite_string", "alternative": "x\ty\nz"},
        {"hyoki": "alias", "alternative_type": "definite_string",
         "alternative": "x\ty\r\nz\x02", "alternative_alias": "al\nias"},
    ]


def alternatives():
    return [
        {"hyoki": "d600", "alternative_type": "definite_string", "alternative": "d" * 600},
        {"hyoki": "u600", "alternative_type": "url_jump_string", "alternative": "u" * 600},
        {"hyoki": "u512", "alternative_type": "url_jump_string",
         "alternative": "http://example.com/" + "u" * 493},
        {"hyoki": "research", "alternative_type": "research_function", "alternative": "r",
         "alternative_alias": "alias", "info": "info"},
        {"hyoki": "untyped", "alternative": "x"},
        {"hyoki": "capital", "alternative_type": "DEFINITE_STRING", "alternative": "x"},
        {"hyoki": "amp", "alternative_type": "definite_string", "alternative": "a&b"},
        {"hyoki": "wide513", "alternative_type": "url_jump_string", "alternative": "あ" * 513},
        {"hyoki": "wide512", "alternative_type": "url_jump_string", "alternative": "あ" * 512},
    ]


def comments():
    return [
        {"hyoki": "both", "comment": "plain", "comment_xhtml": "<p>x</p>"},
        {"hyoki": "T&<>", "comment": "line1\\nline2\nline3\t& <b>'\""},
        {"hyoki": "long", "comment": "c" * 1100},
        {"hyoki": "none"},
    ]


SCENARIOS = {
    "walk": lambda: {"candidate": walk()},
    "cut": lambda: {"candidate": cut()},
    "controls": lambda: {"candidate": controls()},
    "alternatives": lambda: {"candidate": alternatives()},
    "comments": lambda: {"candidate": comments()},
    "candidate_not_list": lambda: {"candidate": {"hyoki": "x"}},
    "no_candidate": lambda: {"result": []},
    "not_dictionary": lambda: [{"hyoki": "x"}],
    # bytes are not text: the candidate has no title.
    "bytes": lambda: {"candidate": [{"hyoki": "きょう".encode("utf-8")}]},
    "xml_forbidden": lambda: {"candidate": [{"hyoki": "a\ufffeb\uffffc",
                                             "comment_xhtml": "d\ufffe\te"}]},
    "not_characters": lambda: {"candidate": [{"hyoki": "a\ud800b\udfffc"}]},
    "unconvertible": lambda: {"candidate": [{"hyoki": b"abc"}, {"hyoki": "ok", "comment": b"x"}]},
}


def vuro_plugin_run_process(request):
    scenario = request["composition_string"]
    if scenario in SCENARIOS:
        return SCENARIOS[scenario]()
    if scenario == "redirect":
        sys.stdout = io.StringIO()
        sys.stdout.write("not on standard output")
        return {"candidate": [{"hyoki": "x"}]}
    if scenario == "raise":
        sys.stdout.write("before")
        raise RuntimeError("boom from plug-in")
    if scenario == "raise_unencodable":
        raise RuntimeError("bad \udc80")
    if scenario == "layer":
        sys.stdout.reconfigure(encoding="shift_jis")
        sys.stdout.write("layer\n")
        return {"candidate": [{"hyoki": "きょう"}]}
    if scenario == "own_stdout":
        # A buffered stream of its own on the same descriptor.
        sys.stdout = open(1, "w", encoding="utf-8", closefd=False)
        sys.stdout.write("mine\n")
        return {"candidate": [{"hyoki": "x"}]}
    print_request(request)
    return {"candidate": [{"hyoki": request["composition_string"]}]}


def vuro_plugin_run_preference(request):
    print_request(request)


def vuro_plugin_run_callback(request):
    print_request(request)

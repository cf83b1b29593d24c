#! /usr/bin/python
# coding:utf-8
# Bridge between plugdebug and a Python plug-in.
#   python <bridge> <plug-in file> <method> [arguments...]
# Every argument but the method is form-encoded ("+" is a blank, "%XX" one byte).
# The plug-in defines the module-level functions vuro_plugin_run_process,
# vuro_plugin_run_preference and vuro_plugin_run_callback; vuro_plugin_run_process
# returns a dict, and the bridge prints its candidates as XML. Everything this bridge
# prints is written without a line end.
import sys
import re
import os
import importlib.machinery
import importlib.util
import urllib.parse

METHODS = ("run_process", "syntax_check", "run_preference", "run_callback")
# Characters XML forbids: control characters, U+FFFE and U+FFFF become blanks, lone
# surrogates U+FFFD.
ALL_CONTROLS = re.compile("[\x00-\x1f\x7f\ufffe\uffff]")
CONTROLS_BUT_LINE_ENDS = re.compile("[\x00-\x08\x0b\x0c\x0e-\x1f\x7f\ufffe\uffff]")
SURROGATES = re.compile("[\ud800-\udfff]")
INTEGER = re.compile(r"\s*[+-]?\d+")

# Whatever the locale, the plug-in's own output is UTF-8 and line ends stay as written.
sys.stdout.reconfigure(encoding="utf-8", newline="\n")
# An error text with a lone surrogate must still be shown.
sys.stderr.reconfigure(encoding="utf-8", errors="backslashreplace")
# The bridge's own output goes here even if the plug-in replaces sys.stdout.
STDOUT = sys.stdout
# Leave the plug-in folder as it is: no byte-code cache beside the plug-in.
sys.dont_write_bytecode = True


def form_decode(text):
    return urllib.parse.unquote_plus(text, encoding="utf-8", errors="replace")


def finish(text):
    write_bytes(text.encode("utf-8"))
    sys.exit(0)


def write_bytes(data):
    # The plug-in's output first, also from a buffered stream it put in place of ours.
    if sys.stdout is not STDOUT:
        try:
            sys.stdout.flush()
        except Exception:
            pass
    STDOUT.flush()
    STDOUT.buffer.write(data)
    STDOUT.buffer.flush()


def load_plugin(path):
    module_name = os.path.splitext(os.path.basename(path))[0]
    # The given file itself, whatever its extension's letter case.
    loader = importlib.machinery.SourceFileLoader(module_name, path)
    module_spec = importlib.util.spec_from_loader(module_name, loader)
    module = importlib.util.module_from_spec(module_spec)
    # Registered as an imported module would be, unless that would hide a module in use.
    if module_name not in sys.modules:
        sys.modules[module_name] = module
    loader.exec_module(module)
    return module


# The plug-in path: the bytes as they arrived, named in the file-system encoding.
def path_argument(index):
    return os.fsdecode(urllib.parse.unquote_to_bytes(sys.argv[index].replace("+", " ")))


def text_argument(index):
    return form_decode(sys.argv[index])


# Leading decimal digits, as Perl and Ruby read a number; 0 when there are none.
def port_argument(index):
    match = INTEGER.match(form_decode(sys.argv[index]))
    return int(match.group(0)) if match else 0


# Cut to `size` characters (-1: no limit), escape for XML, and replace control characters
# by blanks: all of them when `all_controls` is true, otherwise all but TAB, LF and CR.
# Only str is text.
def convert_string(value, all_controls, size):
    if not isinstance(value, str):
        return ""
    text = value
    if size != -1 and len(text) > size:
        text = text[:size]
    text = text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
    text = text.replace("'", "&apos;").replace('"', "&quot;")
    pattern = ALL_CONTROLS if all_controls else CONTROLS_BUT_LINE_ENDS
    return SURROGATES.sub("\ufffd", pattern.sub(" ", text))


# The plain comment as an XHTML document, escaped once more so that it stands as text
# inside the comment element.
def wrap_comment(hyoki, comment):
    pieces = (
        '<?xml version="1.0" encoding="UTF-8" ?>',
        '<html xmlns="http://www.w3.org/1999/xhtml">',
        "<head>",
        '<meta http-equiv="Content-Type" content="text/html; charset=UTF-8" />',
        "</head>",
        "<body>",
        "<h2>", hyoki, "</h2>",
        comment.replace("\\n", "<br />"),
        "</body></html>",
    )
    return "".join(convert_string(piece, True, -1) for piece in pieces)


def create_item(candidate):
    hyoki = convert_string(candidate.get("hyoki"), True, 100)
    comment = convert_string(candidate.get("comment"), False, 1024)
    comment_xhtml = convert_string(candidate.get("comment_xhtml"), False, 1024 * 10)
    alternative_type = convert_string(candidate.get("alternative_type"), True, -1)
    alternative_alias = convert_string(candidate.get("alternative_alias"), True, 100)
    info = convert_string(candidate.get("info"), True, 64)
    alternative = convert_string(candidate.get("alternative"), alternative_alias == "", 512)

    # A cut URL would lead elsewhere: leave it out.
    raw_alternative = candidate.get("alternative")
    if (alternative_type == "url_jump_string" and isinstance(raw_alternative, str)
            and len(raw_alternative) > 512):
        alternative = ""
    if hyoki == "":
        return ""

    item = ['\t<item type="script_candidate">\n', "\t\t<title>" + hyoki + "</title>\n"]
    if comment_xhtml != "":
        item.append("\t\t<comment>" + comment_xhtml + "</comment>\n")
    elif comment != "":
        item.append("\t\t<comment>" + wrap_comment(hyoki, comment) + "</comment>\n")
    if alternative != "" and alternative_type in ("definite_string", "url_jump_string"):
        item.append('\t\t<alternative type="' + alternative_type + '">' + alternative
                    + "</alternative>\n")
    if alternative_alias != "":
        item.append("\t\t<alternative_alias>" + alternative_alias + "</alternative_alias>\n")
    if info != "":
        item.append("\t\t<info>" + info + "</info>\n")
    item.append("\t</item>\n")
    return "".join(item)


def create_xml(result):
    xml = ['<?xml version="1.0" encoding="UTF-8" ?>\n\n<itemlist>\n']
    candidates = result.get("candidate") if isinstance(result, dict) else None
    if isinstance(candidates, list):
        for candidate in candidates[:100]:
            if isinstance(candidate, dict):
                xml.append(create_item(candidate))
    xml.append("</itemlist>\n")
    return "".join(xml)


def request_data(method):
    count = len(sys.argv) - 1
    if method == "run_preference":
        if count != 3:
            finish("error : run_preference() argument error.")
        return {"path": text_argument(3)}
    if count not in (8, 9):
        finish("error : " + method + "() argument error.")
    if method == "run_process":
        request = {"composition_string": text_argument(3), "reading_string": text_argument(4)}
    else:
        request = {"candidate_string": text_argument(3), "composition_string": text_argument(4)}
    request["proxy_name"] = text_argument(5)
    request["proxy_port"] = port_argument(6)
    request["proxy_username"] = text_argument(7)
    request["proxy_password"] = text_argument(8)
    if count == 9:
        request["path"] = text_argument(9)
    return request


def main():
    if len(sys.argv) < 3:
        finish("error : argument error.")
    plugin_file = path_argument(1)
    method = form_decode(sys.argv[2])
    if method not in METHODS:
        finish("error : plugin method load error.")
    if method == "syntax_check":
        finish("syntax ok")

    module = load_plugin(plugin_file)
    entry_point = getattr(module, "vuro_plugin_" + method)
    if not callable(entry_point):
        finish("error : plugin module load error2.")

    result = entry_point(request_data(method))
    if method == "run_process":
        write_bytes(create_xml(result).encode("utf-8", "replace"))


if __name__ == "__main__":
    main()

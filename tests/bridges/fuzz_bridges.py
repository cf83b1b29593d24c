#!/usr/bin/env python3
"""Differential fuzzing of the Perl, Ruby and Python bridges; scripts/fuzz-bridges runs it.

From a seed it generates plug-in results over the values the three languages share, writes
each case as one plug-in per language, runs the three through the product's script
instances (bridge_differential_driver: one syntax check per language and batch, then per
case a processing call and a callback) and compares what they printed, the candidates the
product read from that, and the request each plug-in echoed back, also against what was
sent. A case is named by the run's seed and its index, and is the same on every machine.

Where the languages are meant to differ, a named rule (RULES) shapes the case, never a
silent exception; --without-rule turns one off to see the difference it covers.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import time

BATCH_SIZE = 10
FIELDS = ("hyoki", "comment", "comment_xhtml", "alternative", "alternative_alias",
          "alternative_type", "info")
# Each field's cap in characters; lengths around it are generated on purpose.
CAPS = {"hyoki": 100, "comment": 1024, "comment_xhtml": 10240, "alternative": 512,
        "alternative_alias": 100, "alternative_type": 64, "info": 64}
UNKNOWN_KEYS = ("Hyoki", "hyoki ", "title", "comment_html", "alternativeType", "", "info2",
                "\u5019\u88dc", "candidate", "hyoki\x00", "type")
PLUGIN_NAMES = ("fuzz", "\u30d5\u30a1\u30ba \u30d7\u30e9\u30b0\u30a4\u30f3", "a&b <c>")

RULES = {
    "perl-number-is-text":
        "Perl has one scalar for numbers and text: an integer candidate field is text there "
        "(its digits) and no text in Ruby and Python. The Perl plug-in gets undef in its place.",
    "perl-lax-utf8-layer":
        "Perl's strict UTF-8 layer (':encoding(UTF-8)') writes a non-character such as U+FDD0 or "
        "U+1FFFF as the text \\x{...}, and any UTF-8 layer warns of it on standard error; "
        "Python's and Ruby's UTF-8 write it silently. The Perl plug-in that sets a layer sets "
        "':encoding(utf8)' under no warnings 'nonchar'.",
}

FAKE_DOCUMENT = ('<?xml version="1.0" encoding="UTF-8" ?>\n\n<itemlist>\n'
                 '\t<item type="script_candidate">\n\t\t<title>fake</title>\n\t</item>\n'
                 '</itemlist>\n')

# Hostile pieces of text, by kind; every generated text is a run of them.
PIECES = {
    "plain": ["a", "abc", " ", "x y", "0", "definite_string", "url_jump_string",
              "http://example.com/", "%s", "%00", "+", "-", "$x", "@a", "#{x}", "\\", "\\n",
              "\\\\n", "n"],
    "controls": [chr(code) for code in list(range(0x01, 0x20)) + [0x7F]] + ["\x00"],
    "line_ends": ["\r\n", "\n", "\r", "\t", "\n\n", "\r\r\n"],
    "markup": ["<", "&", ">", "'", '"', "&amp;", "&#0;", "&lt;", "&#x10FFFF;", "]]>", "<br />"],
    "xml": ['<?xml version="1.0" encoding="UTF-8" ?>', "<itemlist>", "</itemlist>",
            '<item type="script_candidate">', "<title>t</title>", "</item>", "<![CDATA[x]]>",
            "<!-- c -->", '<!DOCTYPE x [<!ENTITY e "x">]>', "&e;", FAKE_DOCUMENT],
    "japanese": ["\u304d\u3087\u3046", "\u30ab\u30bf\u30ab\u30ca", "\u6f22\u5b57", "\uff76\uff85",
                 "\u301c", "\u3000", "\u65e5\u4ed8"],
    "non_bmp": ["\U0001F600", "\U00020BB7", "\U0001F1EF\U0001F1F5", "\U0001D11E"],
    "non_characters": ["\uFFFE", "\uFFFF", "\uFDD0", "\uFDEF", "\U0001FFFE", "\U0001FFFF",
                       "\U0010FFFE", "\U0010FFFF"],
    "combining": ["e\u0301", "\u0301", "\u3099", "\u304b\u3099", "\u20DD"],
    "direction": ["\u200F", "\u202E", "\u200E", "\u2066", "\u061C"],
    "other": ["\u0085", "\u00A0", "\u2028", "\u2029", "\uFEFF", "\uFFFD", "\u00E9", "\u00FF",
              "\u0080", "\u009F", "\u00AD", "\u200B"],
}
PIECE_KINDS = sorted(PIECES)
# Only request texts (UTF-16 records) can hold these.
LONE_SURROGATES = ["\ud800", "\udc00", "\udbff", "\udfff", "\udc00\ud800"]


class Text:
    """A text as runs of (piece, count), so that long texts stay short in the plug-ins."""

    def __init__(self, runs):
        self.runs = runs

    def value(self):
        return "".join(piece * count for piece, count in self.runs)


class Int:
    def __init__(self, number):
        self.number = number


class Map:
    def __init__(self, pairs):
        self.pairs = pairs  # [(key, value)], keys distinct


# --- generation ---------------------------------------------------------------------

def piece(rng):
    return rng.choice(PIECES[rng.choice(PIECE_KINDS)])


def short_text(rng):
    return Text([(piece(rng), 1) for _ in range(rng.randint(1, 6))])


def long_text(rng, cap):
    """A text of about `cap` characters: one piece repeated to cap - 1, cap or just past it."""
    unit = piece(rng) if rng.random() < 0.5 else rng.choice(["x", "&", "\U0001F600", "\u3042"])
    target = cap + rng.choice([-1, 0, 1, 2, 20])
    count = max(1, target // len(unit))
    runs = [(unit, count)]
    if rng.random() < 0.5:
        runs.append((piece(rng), 1))
    return Text(runs)


def wrong_type(rng, depth):
    roll = rng.random()
    if roll < 0.4:
        return None
    if roll < 0.75:
        return Int(rng.choice([0, 1, -1, 5, 100, 2 ** 31 - 1, -(2 ** 31), 10 ** 12]))
    if roll < 0.9 or depth > 1:
        return [short_text(rng)] if rng.random() < 0.5 else []
    return Map([("hyoki", short_text(rng))])


def field_value(rng, field):
    """A field's value, or the absence marker."""
    roll = rng.random()
    absent = 0.1 if field == "hyoki" else 0.35
    if roll < absent:
        return ABSENT
    if roll < absent + 0.07:
        return Text([])
    if roll < absent + 0.14:
        return wrong_type(rng, 1)
    if rng.random() < 0.06:
        return long_text(rng, CAPS[field])
    if field == "alternative_type" and rng.random() < 0.7:
        return Text([(rng.choice(["definite_string", "url_jump_string"]), 1)])
    return short_text(rng)


ABSENT = object()


def candidate(rng):
    if rng.random() < 0.06:
        return wrong_type(rng, 0) if rng.random() < 0.7 else short_text(rng)
    pairs = []
    for field in FIELDS:
        value = field_value(rng, field)
        if value is not ABSENT:
            pairs.append((field, value))
    for key in rng.sample(UNKNOWN_KEYS, rng.choice([0, 0, 0, 1, 2])):
        pairs.append((key, short_text(rng) if rng.random() < 0.8 else wrong_type(rng, 1)))
    rng.shuffle(pairs)
    return Map(pairs)


def candidate_count(rng):
    roll = rng.random()
    if roll < 0.1:
        return 0
    if roll < 0.65:
        return rng.randint(1, 5)
    if roll < 0.9:
        return rng.randint(6, 30)
    return rng.randint(90, 150)


def result(rng):
    candidates = [candidate(rng) for _ in range(candidate_count(rng))]
    roll = rng.random()
    if roll < 0.88:
        pairs = [("candidate", candidates)]
        if rng.random() < 0.1:
            pairs.append(("result", short_text(rng)))
        return Map(pairs)
    if roll < 0.92:
        return Map([("candidate", rng.choice([None, Int(3), short_text(rng), Map([("hyoki", short_text(rng))])]))])
    if roll < 0.95:
        return Map([("candidates", candidates)])
    return rng.choice([None, Int(1), candidates])


def printed_text(rng):
    if rng.random() < 0.15:
        return Text([(FAKE_DOCUMENT, 1)])
    text = short_text(rng)
    # A 0 byte ends the captured output: rare, so that most cases still show the XML.
    if "\x00" in text.value() and rng.random() < 0.8:
        return Text([(p.replace("\x00", "0"), n) for p, n in text.runs])
    return text


def request_text(rng, cap):
    """A request text (may hold lone surrogates), sometimes across the field's capacity."""
    roll = rng.random()
    if roll < 0.15:
        return ""
    pieces = lambda: piece(rng) if rng.random() < 0.9 else rng.choice(LONE_SURROGATES)
    if roll < 0.25:
        # Up to just under the capacity, then a pair or more that may cross it.
        text = ""
        while len(units(text)) // 2 < cap - 2:
            text += pieces()[:cap - 2 - len(units(text)) // 2]
        return text + rng.choice(["", "\U0001F600", "a\U0001F600"])
    return "".join(pieces() for _ in range(rng.randint(1, 5)))


def request(rng):
    return {
        "composition": request_text(rng, 200),
        "reading": request_text(rng, 200) if rng.random() < 0.3 else "",
        "proxy_address": request_text(rng, 512) if rng.random() < 0.5 else "",
        "proxy_port": rng.choice([0, 80, 8080, 65535, -1, 2 ** 31 - 1, -(2 ** 31), 12345]),
        "proxy_username": request_text(rng, 100),
        "proxy_password": request_text(rng, 100),
        "candidate": request_text(rng, 200),
        # The callback in one case of three: a processing call is what most cases are for.
        "callback": rng.random() < 0.34,
    }


def generate_case(seed, index):
    # New draws go last, so that the cases listed in fuzz_findings.txt stay what they were.
    rng = random.Random("%s/%d" % (seed, index))
    case = {
        "result": result(rng),
        "stdout": [printed_text(rng) for _ in range(rng.choice([0, 0, 0, 1, 2, 3]))],
        "print_style": rng.choice(["write", "write", "write", "layer", "own_stream"]),
        "stderr": [printed_text(rng) for _ in range(rng.choice([0, 0, 1, 2]))],
        "request": request(rng),
    }
    case["unbuffered"] = rng.random() < 0.2
    if rng.random() < 0.04:
        # More than a pipe holds, on either stream.
        unit = piece(rng)
        case[rng.choice(["stdout", "stderr"])].append(Text([(unit, 80000 // len(unit))]))
    return case


def batch_settings(seed, batch):
    rng = random.Random("%s/batch %d" % (seed, batch))
    return {"preference": rng.random() < 0.5, "name": rng.choice(PLUGIN_NAMES)}


# --- the plug-ins in each language --------------------------------------------------

def escape(text, plain, escape_one):
    return "".join(ch if 0x20 <= ord(ch) < 0x7F and ch not in plain else escape_one(ord(ch))
                   for ch in text)


def python_string(text):
    def one(code):
        if code < 0x100:
            return "\\x%02x" % code
        return "\\u%04x" % code if code < 0x10000 else "\\U%08x" % code
    return '"' + escape(text, '\\"', one) + '"'


def ruby_string(text):
    return '"' + escape(text, '\\"#', lambda code: "\\u{%x}" % code) + '"'


def perl_string(text):
    # \N{U+..} makes a character string even for code points below 256.
    def one(code):
        return "\\x{%02x}" % code if code < 0x80 else "\\N{U+%X}" % code
    return '"' + escape(text, '\\"$@', one) + '"'


class Syntax:
    def __init__(self, string, repeat, join, none, array, hash_open, hash_pair):
        self.string, self.repeat, self.join, self.none = string, repeat, join, none
        self.array, self.hash_open, self.hash_pair = array, hash_open, hash_pair


PYTHON = Syntax(python_string, " * ", " + ", "None", "[%s]", "{%s}", "%s: %s")
RUBY = Syntax(ruby_string, " * ", " + ", "nil", "[%s]", "{%s}", "%s => %s")
PERL = Syntax(perl_string, " x ", " . ", "undef", "[%s]", "+{%s}", "%s => %s")


def literal(value, syntax, rules, in_field=False):
    if isinstance(value, Text):
        if not value.runs:
            return syntax.string("")
        parts = [syntax.string(p) if n == 1 else syntax.string(p) + syntax.repeat + str(n)
                 for p, n in value.runs]
        return "(" + syntax.join.join(parts) + ")"
    if isinstance(value, Int):
        if in_field and syntax is PERL and "perl-number-is-text" in rules:
            return "undef"
        return str(value.number)
    if value is None:
        return syntax.none
    if isinstance(value, list):
        return syntax.array % ", ".join(literal(each, syntax, rules) for each in value)
    return syntax.hash_open % ", ".join(
        syntax.hash_pair % (syntax.string(key), literal(each, syntax, rules, key in FIELDS))
        for key, each in value.pairs)


# How a plug-in prints on standard output, the same in each language: writing to the
# stream the bridge gave it, through a UTF-8 encoding layer it set on that stream, or
# through a buffered stream of its own on descriptor 1 that it made the default output
# and never flushes. Per language: what run_process does first, and how it prints.
PRINT_STYLES = {
    "py": {"write": ("", "sys.stdout.write(%s)"),
           "layer": ("sys.stdout.reconfigure(encoding='utf-8')", "sys.stdout.write(%s)"),
           "own_stream": ("sys.stdout = open(1, 'w', encoding='utf-8', closefd=False)",
                          "sys.stdout.write(%s)")},
    "rb": {"write": ("", "$stdout.write(%s)"),
           "layer": ("$stdout.set_encoding(Encoding::UTF_8)", "$stdout.write(%s)"),
           "own_stream": ("$stdout = IO.new(1, 'w', autoclose: false)", "$stdout.write(%s)")},
    "pl": {"write": ("", "print STDOUT Encode::encode_utf8(%s);"),
           "layer": ("binmode(STDOUT, ':encoding(UTF-8)');", "print STDOUT %s;"),
           "own_stream": ("open(my $own, '>&=', 1) or die; select($own);",
                          "print {$own} Encode::encode_utf8(%s);")},
}


# A plug-in whose every print reaches the descriptor at once.
UNBUFFERED = {"py": ("", "; sys.stdout.flush()"), "rb": ("$stdout.sync = true", ""),
              "pl": ("$| = 1;", "")}


def stdout_lines(case, extension, syntax, rules):
    setup, write = PRINT_STYLES[extension][case["print_style"]]
    if extension == "pl" and "perl-lax-utf8-layer" in rules:
        setup = setup.replace("binmode(STDOUT, ':encoding(UTF-8)');",
                              "no warnings 'nonchar'; binmode(STDOUT, ':encoding(utf8)');")
    after = ""
    if case["unbuffered"]:
        more, after = UNBUFFERED[extension]
        setup = "; ".join(part for part in (setup, more) if part)
    lines = ["    " + setup] if setup and case["stdout"] else []
    return lines + ["    " + write % literal(t, syntax, rules) + after for t in case["stdout"]]


def python_plugin(case, rules):
    lines = ["import sys", "",
             "def fuzz_echo(request):",
             "    fields = []",
             "    for key in sorted(request):",
             "        value = request[key]",
             "        if isinstance(value, int):",
             "            fields.append('%s=int:%d' % (key, value))",
             "        else:",
             "            fields.append('%s=%s' % (key, value.encode('utf-8', 'surrogatepass').hex()))",
             "    sys.stderr.write('echo ' + ' '.join(fields) + '\\n')", "",
             "def vuro_plugin_run_process(request):",
             "    fuzz_echo(request)"]
    lines += stdout_lines(case, "py", PYTHON, rules)
    lines += ["    sys.stderr.write(%s)" % literal(t, PYTHON, rules) for t in case["stderr"]]
    lines += ["    return " + literal(case["result"], PYTHON, rules), "",
              "def vuro_plugin_run_callback(request):", "    fuzz_echo(request)", ""]
    return "\n".join(lines)


def ruby_plugin(case, rules):
    lines = ["module Vuro_plugin",
             "  def fuzz_echo(request)",
             "    fields = request.keys.sort.map do |key|",
             "      value = request[key]",
             "      if value.is_a?(Integer)",
             "        \"#{key}=int:#{value}\"",
             "      elsif value.encoding == Encoding::UTF_8 && value.valid_encoding?",
             "        \"#{key}=#{value.unpack1('H*')}\"",
             "      else",
             "        \"#{key}=bad-#{value.encoding}\"",
             "      end",
             "    end",
             "    $stderr.write(\"echo #{fields.join(' ')}\\n\")",
             "  end", "",
             "  def run_process(request)",
             "    fuzz_echo(request)"]
    lines += stdout_lines(case, "rb", RUBY, rules)
    lines += ["    $stderr.write(%s)" % literal(t, RUBY, rules) for t in case["stderr"]]
    lines += ["    return " + literal(case["result"], RUBY, rules), "  end", "",
              "  def run_callback(request)", "    fuzz_echo(request)", "  end", "end", ""]
    return "\n".join(lines)


def perl_result(value, rules):
    """Perl's run_process returns its result hash as a list."""
    if isinstance(value, Map):
        return "(" + ", ".join(PERL.hash_pair % (perl_string(key), literal(each, PERL, rules))
                               for key, each in value.pairs) + ")"
    if isinstance(value, list):
        return "(" + ", ".join(literal(each, PERL, rules) for each in value) + ")"
    return "()" if value is None else "(" + literal(value, PERL, rules) + ")"


def perl_plugin(case, rules):
    lines = ["package Vuro_plugin;", "use Encode;", "",
             "sub fuzz_echo {",
             "    my ($request) = @_;",
             "    my @fields;",
             "    for my $key (sort keys %$request) {",
             "        my $value = $request->{$key};",
             "        push @fields, $key eq 'proxy_port' ? \"$key=int:$value\"",
             "            : $key . '=' . unpack('H*', Encode::encode_utf8($value));",
             "    }",
             "    print STDERR 'echo ' . join(' ', @fields) . \"\\n\";",
             "}", "",
             "sub run_process {",
             "    my ($request) = @_;",
             "    fuzz_echo($request);"]
    lines += stdout_lines(case, "pl", PERL, rules)
    lines += ["    print STDERR Encode::encode_utf8(%s);" % literal(t, PERL, rules) for t in case["stderr"]]
    lines += ["    return " + perl_result(case["result"], rules) + ";", "}", "",
              "sub run_callback {", "    fuzz_echo($_[0]);", "}", "", "1;", ""]
    return "\n".join(lines)


PLUGINS = (("pl", perl_plugin), ("rb", ruby_plugin), ("py", python_plugin))


def plugins_of(case, rules):
    return {extension: make(case, rules) for extension, make in PLUGINS}


# --- what the product sends ---------------------------------------------------------

def units(text):
    return text.encode("utf-16-le", "surrogatepass")


def as_sent(text, capacity):
    """The text as a plug-in receives it: cut to the field (never after a high surrogate),
    up to its first U+0000, then UTF-8 with a lone surrogate as U+FFFD."""
    data = units(text)
    if len(data) > capacity * 2:
        data = data[:capacity * 2]
        if 0xD8 <= data[-1] <= 0xDB:
            data = data[:-2]
    decoded = data.decode("utf-16-le", "surrogatepass").split("\x00", 1)[0]
    return "".join("\ufffd" if 0xD800 <= ord(ch) <= 0xDFFF else ch for ch in decoded)


def request_line(name, req):
    # The driver reads 4 hex digits per unit, high byte first.
    def field(text):
        data = units(text)
        return "".join("%02x%02x" % (data[i + 1], data[i]) for i in range(0, len(data), 2)) or "-"
    return " ".join([name, field(req["composition"]), field(req["reading"]),
                     field(req["proxy_address"]), str(req["proxy_port"]),
                     field(req["proxy_username"]), field(req["proxy_password"]),
                     field(req["candidate"]) if req["callback"] else "x"])


def expected_echo(fields):
    parts = []
    for key in sorted(fields):
        value = fields[key]
        parts.append("%s=int:%d" % (key, value) if isinstance(value, int)
                     else "%s=%s" % (key, value.encode("utf-8").hex()))
    return ("echo " + " ".join(parts) + "\n").encode()


def sent_fields(req, callback):
    fields = {"composition_string": as_sent(req["composition"], 200),
              "proxy_name": as_sent(req["proxy_address"], 512),
              "proxy_port": req["proxy_port"],
              "proxy_username": as_sent(req["proxy_username"], 100),
              "proxy_password": as_sent(req["proxy_password"], 100)}
    if callback:
        fields["candidate_string"] = as_sent(req["candidate"], 200)
    else:
        fields["reading_string"] = as_sent(req["reading"], 200)
    return fields


def with_path(echo, settings, output):
    """The sent fields' echo with the path the plug-in echoed, when that path is the
    plug-in's preference folder."""
    if not settings["preference"]:
        return echo
    line = output.split(b"\n", 1)[0].decode("ascii", "replace")
    for field in line.split(" "):
        if field.startswith("path="):
            path = bytes.fromhex(field[5:]).decode("utf-8", "replace")
            if path.endswith("/PLUGIN/" + settings["name"] + "/"):
                return expected_echo_with(echo, path)
    return echo + b"(path missing or wrong)"


def expected_echo_with(echo, path):
    fields = echo.decode()[5:-1].split(" ")
    fields.append("path=" + path.encode("utf-8").hex())
    return ("echo " + " ".join(sorted(fields)) + "\n").encode()


# --- running and comparing ----------------------------------------------------------

OUTPUTS = ("stdout", "stderr", "candidates", "callback_stdout", "callback_stderr", "message")


def write_batch(folder, seed, indexes, rules):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(os.path.join(folder, "plugin"))
    settings = batch_settings(seed, indexes[0] // BATCH_SIZE)
    with open(os.path.join(folder, "plugin", "fuzzcase.xml"), "w", encoding="utf-8") as document:
        name = settings["name"].replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
        document.write('<?xml version="1.0" encoding="UTF-8" ?>\n<plugin><name>%s</name>'
                       "<callback>true</callback>%s</plugin>\n"
                       % (name, "<preference>true</preference>" if settings["preference"] else ""))
    lines = []
    for index in indexes:
        case = generate_case(seed, index)
        name = "case-%d" % index
        os.makedirs(os.path.join(folder, name))
        for extension, text in plugins_of(case, rules).items():
            with open(os.path.join(folder, name, "fuzzcase." + extension), "w", encoding="utf-8") as plugin:
                plugin.write(text)
        lines.append(request_line(name, case["request"]))
    with open(os.path.join(folder, "cases"), "w") as cases:
        cases.write("\n".join(lines) + "\n")
    return settings


def read_outputs(case_folder):
    outputs = {}
    for extension, _ in PLUGINS:
        for what in OUTPUTS:
            with open(os.path.join(case_folder, "%s.%s" % (extension, what)), "rb") as file:
                outputs[extension, what] = file.read()
    return outputs


def first_difference(first, second):
    at = next((i for i in range(min(len(first), len(second))) if first[i] != second[i]),
              min(len(first), len(second)))
    start = max(0, at - 20)
    return "at byte %d: %r / %r" % (at, first[start:at + 40], second[start:at + 40])


def mismatches(case, settings, outputs):
    found = []
    for what in OUTPUTS:
        values = [outputs[extension, what] for extension, _ in PLUGINS]
        for (one, first), (other, second) in (((0, "pl"), (1, "rb")), ((1, "rb"), (2, "py"))):
            if values[one] != values[other]:
                found.append("%s differs, %s and %s %s" % (what, first, second,
                                                           first_difference(values[one], values[other])))
    for what, callback in (("stderr", False), ("callback_stderr", True))[:1 + case["request"]["callback"]]:
        echo = expected_echo(sent_fields(case["request"], callback))
        for extension, _ in PLUGINS:
            output = outputs[extension, what]
            sent = with_path(echo, settings, output)
            if not output.startswith(sent):
                found.append("%s: the echo of %s is not what was sent, %s"
                             % (extension, what, first_difference(sent, output)))
    return found


def keep_finding(findings, seed, index, case_folder, settings, problems, rules):
    target = os.path.join(findings, "%s-%d" % (seed, index))
    shutil.rmtree(target, ignore_errors=True)
    shutil.copytree(case_folder, target)
    case = generate_case(seed, index)
    with open(os.path.join(target, "finding.txt"), "w", encoding="utf-8") as note:
        note.write("seed %s case %d\nreplay: scripts/fuzz-bridges --case %s:%d\n" % (seed, index, seed, index))
        note.write("batch settings: %r\nrules: %s\n" % (settings, ", ".join(sorted(rules)) or "none"))
        note.write("request: %r\n" % case["request"])
        note.write("expected echo: %r\n" % expected_echo(sent_fields(case["request"], False)))
        note.write("\n".join(problems) + "\n")
    return target


STATISTICS = {"cases with candidates": 0, "candidates read": 0}


def run_cases(args, seed, indexes, rules):
    """Runs the cases in batches; returns (cases run, findings kept)."""
    findings, run = [], 0
    by_batch = {}
    for index in indexes:
        by_batch.setdefault(index // BATCH_SIZE, []).append(index)
    for batch_indexes in by_batch.values():
        if args.deadline and time.monotonic() > args.deadline:
            break
        settings = write_batch(args.work, seed, batch_indexes, rules)
        completed = subprocess.run([args.driver, args.work], capture_output=True)
        if completed.returncode != 0:
            sys.stderr.write(completed.stderr.decode("utf-8", "replace"))
            raise SystemExit("fuzz-bridges: the driver failed on seed %s cases %s"
                             % (seed, batch_indexes))
        for index in batch_indexes:
            folder = os.path.join(args.work, "case-%d" % index)
            outputs = read_outputs(folder)
            problems = mismatches(generate_case(seed, index), settings, outputs)
            run += 1
            read = outputs["py", "candidates"].count(b"\n")
            STATISTICS["cases with candidates"] += read > 0
            STATISTICS["candidates read"] += read
            if problems:
                kept = keep_finding(args.findings, seed, index, folder, settings, problems, rules)
                print("MISMATCH seed %s case %d: %s (kept in %s)" % (seed, index, "; ".join(problems), kept))
                findings.append(kept)
    return run, findings


def past_cases(path):
    cases = []
    if path:
        for line in open(path, encoding="utf-8"):
            line = line.split("#", 1)[0].strip()
            if line:
                seed, index = line.split(":")
                cases.append((seed, int(index)))
    return cases


def self_test():
    """The generator's one property: the same seed gives the same plug-ins."""
    for seed in ("1", "20261209"):
        for index in range(0, 200, 7):
            first = plugins_of(generate_case(seed, index), set(RULES))
            second = plugins_of(generate_case(seed, index), set(RULES))
            if first != second or request_line("c", generate_case(seed, index)["request"]) != \
                    request_line("c", generate_case(seed, index)["request"]):
                raise SystemExit("seed %s case %d differs between two generations" % (seed, index))
    if plugins_of(generate_case("1", 0), set()) == plugins_of(generate_case("2", 0), set()):
        raise SystemExit("two seeds gave the same plug-ins")
    print("same seed, same plug-ins")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("seconds", type=int, nargs="?", default=60)
    parser.add_argument("--seed", default=None)
    parser.add_argument("--case", action="append", default=[], help="SEED:INDEX, run only these")
    parser.add_argument("--past", help="file of SEED:INDEX lines replayed first")
    parser.add_argument("--driver")
    parser.add_argument("--work", default="build-fuzz/bridges/work")
    parser.add_argument("--findings", default="build-fuzz/findings/bridges")
    parser.add_argument("--without-rule", action="append", default=[], choices=sorted(RULES))
    parser.add_argument("--self-test", action="store_true")
    args = parser.parse_args()
    if args.self_test:
        return self_test()
    rules = set(RULES) - set(args.without_rule)
    seed = args.seed if args.seed is not None else str(random.SystemRandom().randrange(10 ** 9))
    print("seed %s" % seed)
    for name in sorted(rules):
        print("rule %s: %s" % (name, RULES[name]))
    os.makedirs(args.findings, exist_ok=True)
    start = time.monotonic()
    args.deadline = None
    total, findings = 0, []
    replay = [tuple(each.split(":")) for each in args.case] + past_cases(args.past)
    for case_seed, index in replay:
        run, kept = run_cases(args, case_seed, [int(index)], rules)
        total, findings = total + run, findings + kept
    if not args.case:
        args.deadline = start + args.seconds
        index = 0
        while time.monotonic() < args.deadline:
            run, kept = run_cases(args, seed, list(range(index, index + BATCH_SIZE)), rules)
            total, findings, index = total + run, findings + kept, index + BATCH_SIZE
    elapsed = time.monotonic() - start
    print("%d cases" % total)
    print(", ".join("%s: %d" % each for each in STATISTICS.items()))
    print("%.2f cases per second (%.0f s)" % (total / elapsed if elapsed else 0, elapsed))
    if findings:
        print("%d mismatches kept in %s" % (len(findings), args.findings))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

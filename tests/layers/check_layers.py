#!/usr/bin/env python3
"""Checks every source folder's includes against the house layer table.

    check_layers.py ROOT

Each folder may include its own files and those of the folders below it that the table
names; Qt only in the Qt dialog, system headers of an OS only in platform/ (and the Win32
dialog). Prints one line per breach, "file:line: reason", and exits 1 when there is any.
"""
import pathlib
import re
import sys

# Folder -> the project folders it may include from (besides its own).
MAY_USE = {
    "text_escape": set(),
    "platform": set(),
    "utility": {"platform", "text_escape"},
    "xml_access_library": {"utility", "platform", "text_escape"},
    "plugin_message": {"platform", "text_escape"},
    "engine": {"xml_access_library", "utility", "plugin_message", "platform", "text_escape"},
    "app": {"engine", "xml_access_library", "utility", "plugin_message", "platform",
            "text_escape"},
}
# Headers of an OS or a window system: platform/ only (the Win32 dialog is a Win32 view).
OS_HEADER = re.compile(r"^(windows|winbase|winuser|commctrl|shlobj|shellapi|objbase|wincrypt|"
                       r"bcrypt|process|io|direct|unistd|fcntl|poll|spawn|pthread|signal|"
                       r"dlfcn|pwd|sys/.*|xcb/.*|X11/.*|fontconfig/.*|unicode/.*|openssl/.*)\.h$")
QT_HEADER = re.compile(r"^Q[A-Za-z]*(/|$)|^Qt")
OS_FOLDERS = ("platform/", "app/dialog_win32/")
QT_FOLDERS = ("app/dialog/",)
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SOURCES = ("*.h", "*.cpp", "*.inc")


def breaches(root, path):
    relative = path.relative_to(root).as_posix()
    folder = relative.split("/", 1)[0]
    allowed = MAY_USE[folder] | {folder}
    text = path.read_text(encoding="utf-8", errors="replace")
    for number, line in enumerate(text.splitlines(), 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        kind, header = match.groups()
        first = header.split("/", 1)[0]
        where = f"{relative}:{number}: includes {header}"
        if kind == '"' and first in MAY_USE and first not in allowed:
            yield f"{where}, but {folder} may use only {', '.join(sorted(allowed))}"
        elif kind == "<" and OS_HEADER.match(header) and not relative.startswith(OS_FOLDERS):
            yield f"{where}, a system header outside platform/"
        elif kind == "<" and QT_HEADER.match(header) and not relative.startswith(QT_FOLDERS):
            yield f"{where}, Qt outside the Qt dialog"


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: check_layers.py ROOT")
    root = pathlib.Path(sys.argv[1]).resolve()
    found = []
    for folder in MAY_USE:
        for pattern in SOURCES:
            for path in sorted((root / folder).rglob(pattern)):
                found.extend(breaches(root, path))
    for line in found:
        print(line)
    if found:
        print(f"check_layers: {len(found)} include(s) against the layer table", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

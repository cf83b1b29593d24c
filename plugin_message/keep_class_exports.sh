#!/bin/sh
# Copies each object into the output folder without the exports in its linker directives
# that do not belong to the message classes. The compiler also marks for export the type
# information of some standard-library classes used inside exported member functions
# (and the linker's --exclude-symbols does not reach such directives).
# Usage: keep_class_exports.sh <objcopy> <output folder> <object>...
export LC_ALL=C
objcopy=$1
output=$2
shift 2
mkdir -p "$output" || exit 1
classes='abstract_vuro_plugin_message|vuro_plugin_message_(quit_flag|run_processing|run_palette)'
for object in "$@"; do
  copy=$output/$(basename "$object")
  cp "$object" "$copy" || exit 1
  directives=$(mktemp) || exit 1
  if "$objcopy" --dump-section .drectve="$directives" "$copy" 2>/dev/null; then
    tr '\0' ' ' <"$directives" | tr -s ' ' '\n' |
      grep -v -E '^-export:' >"$directives.kept"
    tr '\0' ' ' <"$directives" | tr -s ' ' '\n' |
      grep -E "^-export:\"?_Z[A-Z]*[0-9]+($classes)" >>"$directives.kept"
    tr '\n' ' ' <"$directives.kept" >"$directives"
    "$objcopy" --update-section .drectve="$directives" "$copy" || status=1
    rm -f "$directives.kept"
  fi
  rm -f "$directives"
done
exit ${status:-0}

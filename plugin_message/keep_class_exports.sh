#!/bin/sh
# Removes from each object's linker directives every export that does not belong to the
# message classes. The compiler also marks for export the type information of some
# standard-library classes used inside exported member functions (and the linker's
# --exclude-symbols does not reach such directives).
# Usage: keep_class_exports.sh <objcopy> <object>...
export LC_ALL=C
objcopy=$1
shift
classes='abstract_vuro_plugin_message|vuro_plugin_message_(quit_flag|run_processing|run_palette)'
for object in "$@"; do
  directives=$(mktemp) || exit 1
  if "$objcopy" --dump-section .drectve="$directives" "$object" 2>/dev/null; then
    tr '\0' ' ' <"$directives" | tr -s ' ' '\n' |
      grep -v -E '^-export:' >"$directives.kept"
    tr '\0' ' ' <"$directives" | tr -s ' ' '\n' |
      grep -E "^-export:\"?_Z[A-Z]*[0-9]+($classes)" >>"$directives.kept"
    tr '\n' ' ' <"$directives.kept" >"$directives"
    "$objcopy" --update-section .drectve="$directives" "$object" || status=1
    rm -f "$directives.kept"
  fi
  rm -f "$directives"
done
exit ${status:-0}

#!/bin/sh
# Fails unless the DLL exports its message classes and nothing else.
# Usage: check_dll_exports.sh <objdump> <dll>
# The table headings are matched in English.
export LC_ALL=C
objdump=$1
dll=$2
exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p')
if [ -z "$exports" ]; then
  echo "no exports found in $dll" >&2
  exit 1
fi
status=0
for name in $exports; do
  case "$name" in
    *abstract_vuro_plugin_message* | *vuro_plugin_message_quit_flag* | \
    *vuro_plugin_message_run_processing* | *vuro_plugin_message_run_palette*) ;;
    *) echo "exported by mistake: $name" >&2; status=1 ;;
  esac
done
for expected in _ZN28abstract_vuro_plugin_messageD2Ev _ZN29vuro_plugin_message_quit_flagC1Ev \
  _ZNK29vuro_plugin_message_quit_flag8get_flagEv _ZTI28abstract_vuro_plugin_message \
  _ZN31vuro_plugin_message_run_palette12send_messageEPKtj; do
  echo "$exports" | grep -qx "$expected" || { echo "missing export: $expected" >&2; status=1; }
done
echo "$(echo "$exports" | wc -l) exports checked"
exit $status

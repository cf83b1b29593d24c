#!/usr/bin/env bash
# Installs a build into a scratch prefix and uses it as a new user and as a host's author:
# the installed plugdebug-cli --list, in a fresh home, makes the per-user plug-in folder
# with the three samples and lists them; a run given a path makes nothing; a host builds
# and runs against the installed library through find_package and through pkg-config.
#
#   install_test.sh BUILD_FOLDER SOURCE_FOLDER [HOST_CXX_FLAGS]
set -euo pipefail
build=$1 source=$2 host_flags=${3:-}
scratch=$(mktemp -d "${TMPDIR:-/tmp}/plugdebug-install-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

# fresh_home <name>: a home with nothing in it, and the XDG variables unset.
fresh_home() {
  export HOME=$scratch/$1
  mkdir -p "$HOME"
  unset XDG_DATA_HOME XDG_CONFIG_HOME XDG_CONFIG_DIRS APPDATA
}

fresh_home user
folder=$HOME/.local/share/plugdebug/plugin
listed=$("$prefix/bin/plugdebug-cli" --list 2>"$scratch/list.err" | sort)
[[ $listed == $'katakana.pl\nshowcase.py\ntoday.rb' ]] || fail "--list printed: $listed"
grep -qF "$folder" "$scratch/list.err" || fail "--list did not name $folder: $(cat "$scratch/list.err")"
[[ -f $folder/today.xml ]] || fail "the samples' preference documents were not copied"
# A folder the user has keeps what the user did to it.
rm "$folder/today.rb"
[[ $("$prefix/bin/plugdebug-cli" --list 2>/dev/null | sort) == $'katakana.pl\nshowcase.py' ]] ||
  fail "a second --list changed the user's folder"
"$prefix/bin/plugdebug-cli" --help | grep -qF "$folder" || fail "--help does not name $folder"

fresh_home path-run
"$prefix/bin/plugdebug-cli" "$source/samples/plugin/today.rb" x >/dev/null 2>&1 || true
[[ ! -e $HOME/.local/share/plugdebug ]] || fail "a run given a path made the per-user folder"

cmake -S "$source/tests/install/host" -B "$scratch/host" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_CXX_FLAGS="$host_flags" >/dev/null
cmake --build "$scratch/host" >/dev/null
[[ $("$scratch/host/message_host") == "host ok" ]] || fail "the find_package host failed"

pc_folder=$(dirname "$(find "$prefix" -name vuro-plugin-message.pc)")
read -ra pc_flags < <(PKG_CONFIG_PATH=$pc_folder pkg-config --cflags --libs vuro-plugin-message)
# shellcheck disable=SC2086  # the flags are words
c++ $host_flags -o "$scratch/pc_host" "$source/tests/install/host/host.cpp" "${pc_flags[@]}"
library=$(PKG_CONFIG_PATH=$pc_folder pkg-config --variable=libdir vuro-plugin-message)
[[ $(LD_LIBRARY_PATH=$library "$scratch/pc_host") == "host ok" ]] || fail "the pkg-config host failed"
echo "install_test: ok"

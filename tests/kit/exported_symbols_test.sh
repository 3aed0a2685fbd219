#!/usr/bin/env bash
# The engine library exports exactly the symbols of the committed list: a public
# command that disappears or changes its signature, or an engine function that leaks
# out, fails here until the list is changed with it.
#   exported_symbols_test.sh LIBRARY LIST
set -euo pipefail
lib="$1" list="$2"
exports="$(mktemp)" listed="$(mktemp)"
trap 'rm -f "$exports" "$listed"' EXIT
# nm -D: "ADDRESS TYPE NAME"; defined functions and data only.
nm -D --defined-only -C "$lib" | awk '{ $1 = ""; $2 = ""; sub(/^  /, ""); print }' |
    sed 's/@@.*$//' | sort -u > "$exports"
grep -v '^#' "$list" | sed '/^[[:space:]]*$/d' | sort -u > "$listed"
if ! diff -u "$listed" "$exports"; then
    echo "the library's exports differ from $list (- listed only, + exported only)" >&2
    exit 1
fi
echo "$(wc -l < "$exports") exported symbols, as listed"

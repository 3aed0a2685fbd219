#!/usr/bin/env bash
# The engine library exports exactly the symbols of the committed list: a public
# command that disappears or changes its signature, or an engine function that leaks
# out, fails here until the list is changed with it.
#   exported_symbols_test.sh LIBRARY LIST
# LIBRARY is libzorby-engine.so or the Windows zorby-engine.dll. The list names the
# 64-bit integers as Linux has them (uint64_t is unsigned long there, unsigned long
# long on Windows).
set -euo pipefail
lib="$1" list="$2"
exports="$(mktemp)" listed="$(mktemp)"
trap 'rm -f "$exports" "$listed"' EXIT
if [[ $lib == *.dll ]]; then
    # The export table's names ("[ordinal] name" after "[Ordinal/Name Pointer] Table"),
    # demangled.
    x86_64-w64-mingw32-objdump -p "$lib" |
        awk '/^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
             table && /^\t\[ *[0-9]+\] / { print $NF; next }
             table { table = 0 }' |
        x86_64-w64-mingw32-c++filt | sort -u >"$exports"
    grep -v '^#' "$list" | sed -e '/^[[:space:]]*$/d' -E -e 's/\b(unsigned )?long( long)?\b/\1long long/g' |
        sort -u >"$listed"
else
    # nm -D: "ADDRESS TYPE NAME"; defined functions and data only.
    nm -D --defined-only -C "$lib" | awk '{ $1 = ""; $2 = ""; sub(/^  /, ""); print }' |
        sed 's/@@.*$//' | sort -u >"$exports"
    grep -v '^#' "$list" | sed '/^[[:space:]]*$/d' | sort -u >"$listed"
fi
if ! diff -u "$listed" "$exports"; then
    echo "the library's exports differ from $list (- listed only, + exported only)" >&2
    exit 1
fi
echo "$(wc -l <"$exports") exported symbols, as listed"

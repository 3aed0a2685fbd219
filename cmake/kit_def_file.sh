#!/usr/bin/env bash
# Makes the engine DLL's module definition file from the committed list of its exported
# symbols (src/kit/exported-symbols.txt: one demangled name per line, "#" comments, the
# list the Linux library's version script is made from):
#   cmake/kit_def_file.sh LIST ARCHIVE NM CXXFILT OUT
# Every external definition in the engine's namespace of the static library ARCHIVE
# whose demangled name is listed is exported under its mangled name (a constructor's or
# destructor's variants all), nothing else. The list names the 64-bit integers as
# Linux has them (uint64_t is unsigned long there, unsigned long long on Windows). A
# listed name the library does not define stops the build.
set -euo pipefail
list=$1 archive=$2 nm=$3 cxxfilt=$4 out=$5
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
grep -v '^#' "$list" | sed -e '/^[[:space:]]*$/d' -E -e 's/\b(unsigned )?long( long)?\b/\1long long/g' |
    sort -u >"$tmp/wanted"
# nm -P: "NAME TYPE VALUE SIZE"; code and data (T, D, B, R) only.
"$nm" -g --defined-only -P "$archive" | awk '$2 ~ /^[TDBR]$/ && $1 ~ /^_ZNK?5zorby/ { print $1 }' |
    sort -u >"$tmp/mangled"
"$cxxfilt" <"$tmp/mangled" >"$tmp/plain"
# "MANGLED<TAB>PLAIN" for each listed one.
paste "$tmp/mangled" "$tmp/plain" | awk -F '\t' 'NR == FNR { wanted[$0] = 1; next }
    ($2 in wanted) { print }' "$tmp/wanted" - >"$tmp/pairs"
cut -f 2 "$tmp/pairs" | sort -u >"$tmp/found"
missing=$(comm -23 "$tmp/wanted" "$tmp/found")
if [[ -n $missing ]]; then
    echo "$list lists what the engine library does not define:" >&2
    echo "$missing" >&2
    exit 1
fi
{
    echo "LIBRARY zorby-engine.dll"
    echo "EXPORTS"
    cut -f 1 "$tmp/pairs" | sort | sed 's/^/    /'
} >"$out.new"
mv "$out.new" "$out"

#!/usr/bin/env bash
# Puts each realistic fault of a catalogue (tests/mutants/catalogue.txt) into the code
# alone, builds, runs the tests the entry names and reports whether they caught it.
# The faults go into a scratch copy of the tree (build-mutants/tree, built in its own
# build/ beside the sources, as the tree is, so the compiler cache serves most of the
# first build); the tree itself is never changed.
#
#   scripts/mutants.sh [CATALOGUE] [NAME-PATTERN]
#
# NAME-PATTERN (an extended regular expression) picks entries by name. The exit status
# is 0 when every fault was caught, 1 when one survived, 2 when an entry is unusable
# (its text is not found exactly once, the fault does not build, no test matches).
#
# Catalogue entries are blocks of "key: value" lines separated by blank lines ('#'
# starts a comment line):
#   name:  a short name
#   file:  the source file, from the top of the tree
#   was:   the exact text as it is (found exactly once in the file)
#   now:   the faulty text put in its place
#   tests: the ctest -R pattern of the tests that must catch it
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-$(nproc)}"
CATALOGUE="${1:-$ROOT/tests/mutants/catalogue.txt}"
PICK="${2:-}"
WORK="$ROOT/build-mutants"
COPY="$WORK/tree"
BUILD="$COPY/build"
LOG="$WORK/log"

# The file of the copy that holds a fault right now, put back on any exit.
FAULTY=""
restore() {
    if [ -n "$FAULTY" ]; then
        cp "$WORK/original" "$COPY/$FAULTY"
        FAULTY=""
    fi
}
trap restore EXIT
trap 'restore; exit 130' INT
trap 'restore; exit 143' TERM

start=$(date +%s)
mkdir -p "$COPY" "$LOG"

# The copy follows the tree's files (committed or not, ignored ones left out). Only a
# file that differs is copied, with the time of the copy (never the tree's own, which
# can be older than the objects built from the last copy), so what changed is built
# again and nothing else.
(cd "$ROOT" && git ls-files -co --exclude-standard -z) |
    while IFS= read -r -d '' f; do
        [ -f "$ROOT/$f" ] || continue
        if ! cmp -s "$ROOT/$f" "$COPY/$f"; then
            mkdir -p "$(dirname "$COPY/$f")"
            cp "$ROOT/$f" "$COPY/$f"
        fi
    done

# Files gone from the tree go from the copy too (a renamed source would still be built).
(cd "$COPY" && find . -path ./build -prune -o -type f -print) | sed 's|^\./||' | sort >"$WORK/copy-files"
(cd "$ROOT" && git ls-files -co --exclude-standard) | sort >"$WORK/tree-files"
comm -23 "$WORK/copy-files" "$WORK/tree-files" | while IFS= read -r f; do rm -f "$COPY/$f"; done

echo "== building the copy ($BUILD)"
cmake -S "$COPY" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZORBY_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j "$JOBS" >"$LOG/build.log" 2>&1 ||
    { tail -30 "$LOG/build.log"; echo "the unchanged copy does not build" >&2; exit 2; }

# Reads the catalogue into parallel arrays.
names=(); files=(); wases=(); nows=(); tests=()
flush_entry() {
    if [ -n "${e_name}${e_file}${e_was}${e_now}${e_tests}" ]; then
        if [ -z "$e_name" ] || [ -z "$e_file" ] || [ -z "$e_was" ] || [ -z "$e_tests" ]; then
            echo "catalogue: an entry without name, file, was or tests (near '$e_name')" >&2
            exit 2
        fi
        names+=("$e_name"); files+=("$e_file"); wases+=("$e_was"); nows+=("$e_now")
        tests+=("$e_tests")
    fi
    e_name=""; e_file=""; e_was=""; e_now=""; e_tests=""
}
e_name=""; e_file=""; e_was=""; e_now=""; e_tests=""
while IFS= read -r line || [ -n "$line" ]; do
    line="${line%$'\r'}"
    case "$line" in
        '#'*) ;;
        '') flush_entry ;;
        name:*) e_name="${line#name:}"; e_name="${e_name# }" ;;
        file:*) e_file="${line#file:}"; e_file="${e_file# }" ;;
        was:*) e_was="${line#was:}"; e_was="${e_was# }" ;;
        now:*) e_now="${line#now:}"; e_now="${e_now# }" ;;
        tests:*) e_tests="${line#tests:}"; e_tests="${e_tests# }" ;;
        *) echo "catalogue: cannot read the line: $line" >&2; exit 2 ;;
    esac
done <"$CATALOGUE"
flush_entry

caught=0; survived=0; unusable=0; tried=0
survivors=()
for i in "${!names[@]}"; do
    name="${names[$i]}"; file="${files[$i]}"
    if [ -n "$PICK" ] && ! [[ "$name" =~ $PICK ]]; then continue; fi
    tried=$((tried + 1))
    t0=$(date +%s)
    count=$(WAS="${wases[$i]}" python3 -c \
        'import os,sys; print(open(sys.argv[1],encoding="utf-8").read().count(os.environ["WAS"]))' \
        "$COPY/$file" 2>/dev/null || echo 0)
    if [ "$count" != 1 ]; then
        echo "UNUSABLE  $name: the text is found $count times in $file"
        unusable=$((unusable + 1)); continue
    fi
    cp "$COPY/$file" "$WORK/original"
    FAULTY="$file"
    WAS="${wases[$i]}" NOW="${nows[$i]}" python3 -c '
import os, sys
p = sys.argv[1]
s = open(p, encoding="utf-8").read()
open(p, "w", encoding="utf-8").write(s.replace(os.environ["WAS"], os.environ["NOW"], 1))
' "$COPY/$file"
    result=""
    if ! cmake --build "$BUILD" -j "$JOBS" >"$LOG/$i.build.log" 2>&1; then
        result="UNUSABLE  $name: the fault does not build (see $LOG/$i.build.log)"
        unusable=$((unusable + 1))
    else
        set +e
        ctest --test-dir "$BUILD" -R "${tests[$i]}" -LE 'soak|install' -j "$JOBS" \
            --no-tests=error --timeout 600 >"$LOG/$i.test.log" 2>&1
        rc=$?
        set -e
        if grep -q "No tests were found" "$LOG/$i.test.log"; then
            result="UNUSABLE  $name: no test matches '${tests[$i]}'"
            unusable=$((unusable + 1))
        elif [ $rc -ne 0 ]; then
            failing=$(grep -cE '\*\*\*(Failed|Timeout|Exception)|Not Run' "$LOG/$i.test.log" || true)
            result="caught    $name ($failing failing)"
            caught=$((caught + 1))
        else
            result="SURVIVED  $name (tests '${tests[$i]}' pass with the fault)"
            survived=$((survived + 1)); survivors+=("$name")
        fi
    fi
    restore
    echo "$result [$(( $(date +%s) - t0 )) s]"
done

echo "== $caught of $tried caught, $survived survived, $unusable unusable," \
     "$(( $(date +%s) - start )) s"
for s in "${survivors[@]}"; do echo "   survived: $s"; done
[ $unusable -gt 0 ] && exit 2
[ $survived -gt 0 ] && exit 1
exit 0

#!/bin/bash
# Puts the small faults listed in scripts/mutants.txt into the code one at a
# time, builds, runs the quick tests and says which test caught each fault.
# A fault no test catches is a gap in the suite. Slow (a build and a test run
# per fault), so it is not part of CI: run it before closing work on the tests.
#
#   scripts/mutants.sh [build folder [list]]
#
# The build folder is build-mutants by default; the list, scripts/mutants.txt.
# It edits the sources it mutates, and puts each back when done, also when
# interrupted: run it only in a checkout nobody else is editing. Each fault's
# build and test output goes to <build folder>/mutants/.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-mutants}")
list=$(realpath "${2:-$root/scripts/mutants.txt}")
labels=${MUTANT_LABELS:-unit|sound}
logs="$build/mutants"

backup=""
target=""
restore() {
    if [ -n "$backup" ]; then
        cp "$backup" "$target" && rm -f "$backup"
        backup=""
    fi
}
trap restore EXIT
trap 'restore; exit 130' INT TERM HUP

# The tests the last ctest run in $log lists as failed.
last_failures() {
    tac "$log" | sed -n '/^The following tests FAILED:/q; s/^[[:space:]]*[0-9]* - \([^ ]*\) (.*$/\1/p'
}

# Runs the tests ctest selects with "$@", two at a time, until one fails,
# logging to $log; prints the names of those that failed, and failed again
# alone: a test that fails once on a busy machine has caught nothing.
twice_failed() {
    ctest --test-dir "$build" -j2 --stop-on-failure "$@" >>"$log" 2>&1 && return
    local first
    first=$(last_failures | paste -sd '|')
    [ -n "$first" ] || return
    ctest --test-dir "$build" -R "^($first)\$" >>"$log" 2>&1 && return
    last_failures
}

# The tests that fail with the code as it is now: the quick labels and
# those matching $1. Not the format check: a fault may be formatted or not.
failing_tests() {
    {
        twice_failed -L "$labels" -E '^check_format$'
        [ -z "$1" ] || twice_failed -R "$1"
    } | sort -u | paste -sd ' '
}

mkdir -p "$logs"
echo "Building and testing the code as it is, in $build ..."
if ! { cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >"$logs/configure.log" 2>&1 &&
    cmake --build "$build" -j2 >"$logs/build.log" 2>&1; }; then
    echo "the unchanged code does not build: see $logs/build.log" >&2
    exit 2
fi
log="$logs/baseline.log"
: >"$log"
failing=$(failing_tests "")
if [ -n "$failing" ]; then
    echo "tests fail without any fault: $failing (see $log)" >&2
    exit 2
fi

caught=0
missed=0
stale=0
number=0
missed_list=()
tab=$'\t'
while IFS= read -r line <&3 || [ -n "$line" ]; do
    case "$line" in '' | '#'*) continue ;; esac
    number=$((number + 1))
    file=${line%%"$tab"*}
    rest=${line#*"$tab"}
    pattern=${rest%%"$tab"*}
    label="$number $line"
    if [ "$file" = "$line" ] || [ "$pattern" = "$rest" ] || [ -z "$pattern" ]; then
        echo "NOT APPLYING  $label (not a file, a pattern and its replacement)"
        stale=$((stale + 1))
        continue
    fi
    rest=${rest#*"$tab"}
    replacement=${rest%%"$tab"*}
    extra=""
    [ "$replacement" != "$rest" ] && extra=${rest#*"$tab"}
    label="$number $file: $pattern -> $replacement"
    target="$root/$file"
    if [ ! -f "$target" ]; then
        echo "NOT APPLYING  $label (no such file)"
        stale=$((stale + 1))
        continue
    fi
    content=$(cat "$target"; printf x)
    content=${content%x}
    rest=${content#*"$pattern"}
    if [ "$rest" = "$content" ] || [ "${rest#*"$pattern"}" != "$rest" ]; then
        echo "NOT APPLYING  $label (the pattern is not there exactly once)"
        stale=$((stale + 1))
        continue
    fi

    backup=$(mktemp "$logs/original.XXXXXX")
    cp -p "$target" "$backup"
    printf '%s' "${content%%"$pattern"*}$replacement$rest" >"$target"
    if ! cmake --build "$build" -j2 >"$logs/$number.build.log" 2>&1; then
        restore
        echo "NOT APPLYING  $label (does not build: $logs/$number.build.log)"
        stale=$((stale + 1))
        continue
    fi
    log="$logs/$number.test.log"
    : >"$log"
    failing=$(failing_tests "$extra")
    restore
    if [ -n "$failing" ]; then
        caught=$((caught + 1))
        echo "caught        $label  by $failing"
    else
        missed=$((missed + 1))
        missed_list+=("$label")
        echo "MISSED        $label"
    fi
done 3<"$list"

# Leaves the build matching the restored sources.
cmake --build "$build" -j2 >"$logs/build.log" 2>&1

tried=$((caught + missed))
echo
echo "$caught of $tried faults caught ($((tried > 0 ? caught * 100 / tried : 0)) %), $missed missed, $stale not applying"
for label in "${missed_list[@]}"; do
    echo "  missed: $label"
done
[ "$missed" -eq 0 ] && [ "$stale" -eq 0 ]

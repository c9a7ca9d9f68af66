#!/usr/bin/env bash
# Mutation run, by hand (not in CI): puts each mutant of scripts/mutants.list into the code
# in turn, builds the tests of its layer, runs them and restores the file. A mutant the
# tests catch is killed; the others are listed with the reason the list gives, if any.
# Kept cheap for a shared machine: a build directory of its own, only the test targets a
# mutant needs, -j2, and each test run stops at its first failure.
#
#   scripts/mutants.sh [PATTERN]    only the mutants whose line contains PATTERN
#
# Exit status 0 when every mutant was killed or carries a reason, 1 otherwise, 2 when the
# tests fail without any mutant or a mutant cannot be applied or built.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
list=$root/scripts/mutants.list
build=${QOR_MUTANTS_BUILD:-$root/build/mutants}
pattern=${1:-}
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1 QT_QPA_PLATFORM=offscreen

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQOR_WERROR=ON -DQOR_BUILD_TESTS=ON \
    >/dev/null || exit 2

backup=$(mktemp)
log=$(mktemp)
current=
restore() {
    # Written in place, so the file is newer than its object and is built again.
    if [ -n "$current" ]; then
        cat "$backup" >"$root/$current"
        current=
    fi
}
trap 'restore; rm -f "$backup" "$log"; exit 130' INT TERM
trap 'restore; rm -f "$backup" "$log"' EXIT

# build TARGETS...: false when it does not build (the log is in $log).
# The programs some tests drive are built with them.
build() { cmake --build "$build" --target "$@" qorsim qortool -j2 >"$log" 2>&1; }
# run TARGETS...: false at the first test binary that fails.
run() {
    local t bin
    for t in "$@"; do
        bin=$(find "$build/tests" -type f -name "$t" -perm -u+x | head -n 1)
        [ -n "$bin" ] || return 1
        # A test that crashes is a kill too; the shell's note about it goes to the log.
        { (cd "$(dirname "$bin")" && timeout 1800 "$bin" --gtest_brief=1 --gtest_fail_fast); } >"$log" 2>&1 ||
            return 1
    done
}
occurrences() { T=$2 perl -0777 -ne 'print scalar(() = /\Q$ENV{T}\E/g)' "$root/$1"; }

# file TAB text TAB replacement TAB test targets (comma-separated; "-": the file's layer) [TAB reason]
mutants=()
while IFS= read -r line; do
    case $line in '#'* | '') continue ;; esac
    [ -z "$pattern" ] || [[ $line == *"$pattern"* ]] || continue
    mutants+=("$line")
done <"$list"

declare -A baseline=()
total=0 killed=0 broken=0
survivors=()
for line in "${mutants[@]}"; do
    IFS=$'\t' read -r file text repl targets reason <<<"$line"
    [ "${targets:--}" = - ] && targets=test_$(cut -d/ -f2 <<<"$file")
    IFS=, read -r -a tests <<<"$targets"
    total=$((total + 1))
    label="$file: $text -> $repl"

    for t in "${tests[@]}"; do
        [ -n "${baseline[$t]:-}" ] && continue
        if ! build "$t" || ! run "$t"; then
            echo "$t fails without any mutant:" >&2
            tail -n 30 "$log" >&2
            exit 2
        fi
        baseline[$t]=1
    done

    n=$(occurrences "$file" "$text")
    if [ "$n" != 1 ]; then
        echo "NOT APPLIED ($n matches)  $label"
        broken=$((broken + 1))
        continue
    fi
    cp "$root/$file" "$backup"
    current=$file
    T=$text R=$repl perl -0777 -pi -e 's/\Q$ENV{T}\E/$ENV{R}/' "$root/$file"
    if ! build "${tests[@]}"; then
        restore
        echo "DOES NOT BUILD  $label"
        broken=$((broken + 1))
        continue
    fi
    if run "${tests[@]}"; then
        echo "SURVIVED  $label${reason:+  ($reason)}"
        survivors+=("$label${reason:+  ($reason)}")
        [ -n "${reason:-}" ] || unexplained=1
    else
        echo "killed    $label"
        killed=$((killed + 1))
    fi
    restore
done
# The code as it is again, built, so the directory is ready for the next run.
build "${!baseline[@]}" >/dev/null 2>&1

echo
echo "killed $killed/$total"
if [ ${#survivors[@]} -gt 0 ]; then
    echo "survivors:"
    printf '  %s\n' "${survivors[@]}"
fi
[ "$broken" = 0 ] || exit 2
[ -z "${unexplained:-}" ]

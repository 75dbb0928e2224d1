#!/usr/bin/env bash
# Lines of the program's sources (src/) that a fuzz target reaches from a
# corpus, by clang's source-based coverage: every input of the corpus folders
# run once, then (with STRETCH=N) N large inputs from the stretch driver made
# from those same inputs. Prints "TARGET: HIT of LINES lines".
#
#   fuzz/coverage.sh OUT_DIR TARGET CORPUS_DIR...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: coverage.sh OUT_DIR TARGET CORPUS_DIR...}
name=${2:?usage: coverage.sh OUT_DIR TARGET CORPUS_DIR...}
shift 2
. "$root/fuzz/targets.sh"
[ -n "${target_sources[$name]:-}" ] || { echo "coverage: no target $name" >&2; exit 2; }
flags=(-std=c++20 -O1 -fprofile-instr-generate -fcoverage-mapping -Wno-inconsistent-missing-override
       -Wno-ignored-attributes -I "$root/src")
mkdir -p "$out/obj"
out=$(cd "$out" && pwd)

objs=()
for source in ${target_sources[$name]} "$root/fuzz/stretch_main.cpp"; do
    object="$out/obj/$(echo "${source#$root/}" | tr / _).o"
    if [ ! -f "$object" ] || [ "$source" -nt "$object" ]; then
        clang++ "${flags[@]}" -c "$source" -o "$object"
    fi
    objs+=("$object")
done
stretch_main=${objs[-1]}
unset 'objs[-1]'
# shellcheck disable=SC2086
clang++ "${flags[@]}" -fsanitize=fuzzer "${objs[@]}" ${target_libs[$name]} -o "$out/${name}_fuzz"
# shellcheck disable=SC2086
clang++ "${flags[@]}" "${objs[@]}" "$stretch_main" ${target_libs[$name]} -o "$out/${name}_stretch"

rm -f "$out/$name".*.profraw
LLVM_PROFILE_FILE="$out/$name.corpus.profraw" "$out/${name}_fuzz" -runs=0 -max_len=$((16 << 20)) "$@" \
    >"$out/$name.log" 2>&1
if [ -n "${STRETCH:-}" ]; then
    mapfile -t inputs < <(find "$@" -type f | sort | head -n 400)
    LLVM_PROFILE_FILE="$out/$name.stretch.profraw" "$out/${name}_stretch" "$STRETCH" $((16 << 20)) "${inputs[@]}" \
        >>"$out/$name.log" 2>&1
fi
llvm-profdata merge -sparse "$out/$name".*.profraw -o "$out/$name.profdata"
llvm-cov report "$out/${name}_fuzz" -object "$out/${name}_stretch" -instr-profile="$out/$name.profdata" "$root/src" |
    awk -v name="$name" '$1 == "TOTAL" { printf "%s: %d of %d lines\n", name, $8 - $9, $8 }'

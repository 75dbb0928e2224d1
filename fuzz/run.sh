#!/usr/bin/env bash
# Builds the native fuzz targets of the format readers (host clang, libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs each: RUNS inputs of
# libFuzzer's own mutations from the seeds, however long they take, then a few
# hundred large inputs (up to 16 MB, 64 MB for the picture readers) from the
# stretch driver (fuzz/stretch_main.cpp). Any crash, hang, leak or sanitizer
# report fails the run; the last lines give each target's input count,
# coverage and time.
#
# The result depends on the inputs only, never on the machine's speed or load:
# an input may take 25 s (-timeout=25) before it counts as a hang, and one that
# timed out is replayed once alone: only a hang that comes back fails the run
# (a stalled machine does not bring it back), otherwise the worker goes on with
# the rest of its inputs. A target still running after FUZZ_GUARD_SECONDS
# (default 2400, several times its time on a loaded machine) is stopped and
# fails the run: a hang the per-input timeout cannot see. fuzz/check_timeouts.sh
# drives these paths with a target that stalls on purpose (FUZZ_TARGETS names
# the targets to run, FUZZ_INPUT_TIMEOUT shortens the 25 s).
#
#   fuzz/run.sh OUT_DIR [RUNS]        the test command's bounded pass (default 100000)
#   fuzz/run.sh OUT_DIR --minutes N   a longer campaign: every target for N minutes
#
# Targets run side by side on FUZZ_JOBS cores (default: half of them); a slow
# target's bounded pass is shared by several workers. The corpora grow in
# OUT_DIR/work and are kept for the next run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: run.sh OUT_DIR [RUNS | --minutes N]}
runs=100000
minutes=0
if [ "${2:-}" = "--minutes" ]; then
    minutes=${3:?usage: run.sh OUT_DIR --minutes N}
elif [ -n "${2:-}" ]; then
    runs=$2
fi
jobs=${FUZZ_JOBS:-$(( $(nproc) / 2 > 0 ? $(nproc) / 2 : 1 ))}
stretch_count=${FUZZ_STRETCH:-300}
max_stretch=$((16 << 20))
# The picture readers take what the document engine hands them: files up to
# its picture cap (src/html/image_cache.h), whose run-length overflow needed 17 MB.
declare -A target_stretch=([bmp]=$((64 << 20)) [gif]=$((64 << 20)) [png]=$((64 << 20)) [jpeg]=$((64 << 20)))
# Workers sharing a bounded pass (each its part of RUNS from its own random
# seed, on one corpus): the parser builds two documents per input, about 300 a
# second under the sanitizers, too few for 100,000 inputs in the time; the
# JPEG reader took 200 of its 300 seconds alone; layout lays each input out
# at two widths, about 330 a second.
declare -A target_workers=([parser]=2 [jpeg]=2 [layout]=2)
mkdir -p "$out/obj" "$out/seeds" "$out/work" "$out/logs"
out=$(cd "$out" && pwd)

# The native build leaves out the window-bound classes (bitmaps, panels) that
# the engine only points at, so the vptr check, which needs their type
# information, is off.
flags=(-std=c++20 -g -O1 -fsanitize=address,undefined -fno-sanitize=vptr -fno-sanitize-recover=undefined
       -Wno-inconsistent-missing-override -Wno-ignored-attributes -I "$root/src")

# True when the object is missing or older than its source or any header the
# source included when it was last compiled.
stale() {
    local object=$1 dependency
    [ -f "$object" ] && [ -f "$object.d" ] || return 0
    for dependency in $(sed -e 's/^[^:]*://' -e 's/\\$//' "$object.d"); do
        [ "$dependency" -nt "$object" ] && return 0
    done
    return 1
}

# Compiles sources into OUT_DIR/obj, at most `jobs` at a time.
compile() {
    local pids=() source
    for source in "$@"; do
        local object="$out/obj/$(echo "${source#$root/}" | tr / _).o"
        if stale "$object"; then
            clang++ "${flags[@]}" -fsanitize=fuzzer-no-link -MMD -MF "$object.d" -c "$source" -o "$object" &
            pids+=($!)
            if ((${#pids[@]} >= jobs)); then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
        fi
    done
    for pid in "${pids[@]}"; do wait "$pid"; done
}
objects() {
    local source
    for source in "$@"; do echo "$out/obj/$(echo "${source#$root/}" | tr / _).o"; done
}

# Each target links twice: with libFuzzer's driver, and with the stretch driver.
. "$root/fuzz/targets.sh"
[ -n "${FUZZ_TARGETS:-}" ] && read -ra targets <<<"$FUZZ_TARGETS"
input_timeout=${FUZZ_INPUT_TIMEOUT:-25}

all_sources=("$root/fuzz/stretch_main.cpp")
for name in "${targets[@]}"; do
    for source in ${target_sources[$name]}; do all_sources+=("$source"); done
done
mapfile -t all_sources < <(printf '%s\n' "${all_sources[@]}" | sort -u)
compile "${all_sources[@]}"
link_pids=()
for name in "${targets[@]}"; do
    mapfile -t objs < <(objects ${target_sources[$name]})
    clang++ "${flags[@]}" -fsanitize=fuzzer "${objs[@]}" ${target_libs[$name]} -o "$out/${name}_fuzz" &
    link_pids+=($!)
    clang++ "${flags[@]}" "${objs[@]}" "$(objects "$root/fuzz/stretch_main.cpp")" ${target_libs[$name]} \
        -o "$out/${name}_stretch" &
    link_pids+=($!)
    if ((${#link_pids[@]} >= jobs)); then wait "${link_pids[0]}"; link_pids=("${link_pids[@]:1}"); fi
done
for pid in "${link_pids[@]}"; do wait "$pid"; done

# Seeds: the sample dictionary (its articles, pictures, index, tables and
# schemes), generated BMP files of every kind, the image tests' GIF fixtures,
# the public GIF and PNG suites.
seeds=$out/seeds
python3 "$root/tools/make_dictionary.py" "$out/dictionary" >/dev/null
python3 "$root/fuzz/make_seeds.py" "$root" "$out/dictionary" "$seeds"
mkdir -p "$seeds/parser" "$seeds/layout" "$seeds/scheme" "$seeds/ini" "$seeds/words"
cp "$out/dictionary/voc.hd" "$seeds/html/"
cp "$seeds/html/"* "$seeds/parser/"
# Layout also starts from pages of the constructs whose cost grew with the page.
cp "$seeds/html/"* "$root"/fuzz/layout_seeds/* "$seeds/layout/"
cp "$out"/dictionary/schema/*.sch "$seeds/scheme/"
cp "$out/dictionary/voc.dat" "$seeds/article/"
# The ini target reads a section, a key and a value (each ended by "\ ") before the file.
cp "$out/dictionary/voc.ini" "$seeds/ini/"
{ printf 'Description\\ Title\\ x\\ '; cat "$out/dictionary/voc.ini"; } >"$seeds/ini/voc_write.ini"
# The words target reads a pattern length and pattern, then the word list and rows.
{ printf '\003*\310\337'; head -c 3000 "$out/dictionary/allvurts.dat"; head -c 1000 "$out/dictionary/allvurts.ind"; } \
    >"$seeds/words/sample"
clang++ -std=c++20 -O1 -I "$root/src" -I "$root/tests/images" "$root/fuzz/images_seeds.cpp" \
    "$root/tests/images/image_test_util.cpp" "${images_core[@]}" -lz -o "$out/images_seeds"
"$out/images_seeds" "$seeds"
cp "$root"/../shared/testdata/gifsuite/gifs/*.gif "$seeds/gif/" 2>/dev/null || true
# PNG seeds carry the target's leading mode byte (1: fix checksums).
for f in "$root"/../shared/testdata/pngsuite/png/*.png "$out"/dictionary/*.png; do
    [ -e "$f" ] && { printf '\001'; cat "$f"; } >"$seeds/png/$(basename "$f")"
done

# Per target: libFuzzer's options beyond the shared ones.
declare -A extra=(
    [html]="-dict=$seeds/html.dict"
    [parser]="-dict=$seeds/html.dict"
    [layout]="-dict=$seeds/html.dict"
    [article]="-max_len=65536"
    [png]="-max_len=16384"
    [bmp]="-max_len=16384"
    [jpeg]="-max_len=16384"
)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# One libFuzzer process of a target, under the target's hang guard (seconds
# since the target began). An input that times out is replayed once alone: a
# real hang times out again and fails; one that passes was the machine
# stalling, and the worker starts again for the inputs it had left (the
# corpus is kept), at most three times.
fuzz_worker() {
    local name=$1 worker_log=$2 guard=$3 artifacts
    shift 3
    local budget=("$@") attempt status left
    artifacts=$(mktemp -d "$out/work/$name.artifacts.XXXX")
    for attempt in 1 2 3 4; do
        left=$((guard - (SECONDS - began)))
        ((left > 0)) || left=1
        status=0
        # shellcheck disable=SC2086
        timeout -k 30 "$left" "$out/${name}_fuzz" "${budget[@]}" -timeout="$input_timeout" -rss_limit_mb=2560 \
            -malloc_limit_mb=2560 -artifact_prefix="$artifacts/" ${extra[$name]:-} "$work" "$seeds/$name" \
            >>"$worker_log" 2>&1 || status=$?
        ((status == 0)) && break
        if ((status == 124 || status == 137)); then
            echo "fuzz: $name still running after its guard of $guard s" >>"$worker_log"
            break
        fi
        local hung
        hung=$(find "$artifacts" -name 'timeout-*' | head -n 1)
        [ -n "$hung" ] && grep -aq 'ERROR: libFuzzer: timeout' "$worker_log" || break
        echo "fuzz: replaying $hung alone" >>"$worker_log"
        # shellcheck disable=SC2086
        if ! timeout -k 30 300 "$out/${name}_fuzz" -timeout="$input_timeout" -rss_limit_mb=2560 -malloc_limit_mb=2560 \
            ${extra[$name]:-} "$hung" >>"$worker_log" 2>&1; then
            echo "fuzz: $name hangs on $hung again" >>"$worker_log"
            break
        fi
        echo "fuzz: the timeout did not come back: the machine stalled, the worker goes on" >>"$worker_log"
        rm -f "$hung"
        # The count is what matters: the inputs this worker ran before the stall
        # are lost from its count, so it starts its share again.
        status=1
    done
    ((status == 0))
}

# The stretch driver's inputs, with the workers' rule for an input that ran
# over its time: replayed once alone, it fails the run only when it runs over
# again; otherwise the driver goes on after it (at most three times).
stretch_all() {
    local name=$1 count=$2 max=$3 from=0 attempt status over
    shift 3
    for attempt in 1 2 3 4; do
        status=0
        STRETCH_FROM=$from "$out/${name}_stretch" "$count" "$max" "$@" || status=$?
        ((status == 3 && attempt < 4)) || return "$status"
        over=$(grep -ao 'stretch: input [0-9]* ran over' "$log.stretch" | tail -n 1 | awk '{ print $3 }')
        echo "stretch: replaying input $over alone"
        STRETCH_FROM=$over "$out/${name}_stretch" "$((over + 1))" "$max" "$@" || return 1
        echo "stretch: input $over did not run over again: the machine stalled, the driver goes on"
        from=$((over + 1))
    done
}

run_one() {
    local name=$1 work=$out/work/$1 log=$out/logs/$1
    mkdir -p "$work" "$seeds/$name"
    local workers=${target_workers[$name]:-1}
    local budget=(-runs=$(((runs + workers - 1) / workers)))
    # Building a document is the slowest reader by far. The picture readers
    # pass 300 inputs of up to 64 MB in seconds: they get a thousand (with the
    # old run-length decoder put back, 500 found its overflow; 300 did not).
    local stretch=$stretch_count
    [ "$name" = parser ] && stretch=$((stretch_count / 2))
    [ -n "${target_stretch[$name]:-}" ] && stretch=$((stretch_count * 10 / 3))
    if ((minutes > 0)); then
        budget=(-max_total_time=$((minutes * 60)))
        stretch=$((stretch_count * minutes))
        workers=1
    fi
    local began=$SECONDS worker pids=() failed=0
    rm -f "$log".fuzz* "$log.stretch" "$log.time"
    local guard=${FUZZ_GUARD_SECONDS:-2400}
    ((minutes > 0)) && guard=$((minutes * 60 + 600))
    for ((worker = 0; worker < workers; worker++)); do
        local worker_log=$log.fuzz
        ((worker > 0)) && worker_log=$log.fuzz$worker
        fuzz_worker "$name" "$worker_log" "$guard" "${budget[@]}" &
        pids+=($!)
    done
    for worker in "${pids[@]}"; do wait "$worker" || failed=1; done
    ((failed == 0)) || return 1
    if ((minutes == 0)); then
        local done_runs
        done_runs=$(cat "$log".fuzz* | grep -ao 'Done [0-9]* runs' | awk '{ n += $2 } END { print n + 0 }')
        if ((done_runs < runs)); then
            echo "fuzz: $name ran $done_runs of $runs inputs" >>"$log.fuzz"
            return 1
        fi
    fi
    local fuzzed=$SECONDS
    # Seeds first, then what the run found, a few hundred at most.
    mapfile -t inputs < <({ find "$seeds/$name" -type f | sort; find "$work" -type f | sort; } | head -n 400)
    stretch_all "$name" "$stretch" "${target_stretch[$name]:-$max_stretch}" "${inputs[@]}" >"$log.stretch" 2>&1 ||
        return 1
    echo "$((fuzzed - began)) s + $((SECONDS - fuzzed)) s" >"$log.time"
}

declare -A pid_weight
failed=()
start=$(date +%s)
# A target takes as many of the `jobs` slots as it has workers.
busy() {
    local pid total=0
    for pid in $(jobs -rp); do total=$((total + ${pid_weight[$pid]:-1})); done
    echo "$total"
}
for name in "${targets[@]}"; do
    weight=${target_workers[$name]:-1}
    ((minutes > 0 || weight > jobs)) && weight=1
    while (($(busy) + weight > jobs)); do wait -n || true; done
    # Each target leaves its status in a file: `wait -n` above takes the status
    # of whichever target ends, and a later `wait` for it no longer sees a failure.
    rm -f "$out/logs/$name.status"
    { run_one "$name" && echo 0 || echo 1; } >"$out/logs/$name.status" &
    pid_weight[$!]=$weight
done
wait
for name in "${targets[@]}"; do
    [ "$(cat "$out/logs/$name.status" 2>/dev/null)" = 0 ] || failed+=("$name")
done

for name in "${targets[@]}"; do
    done_line=$(cat "$out/logs/$name".fuzz* 2>/dev/null |
        awk '/Done [0-9]+ runs in [0-9]+ second/ { for (i = 1; i < NF; i++) if ($i == "Done") { n += $(i + 1); t = $(i + 4) > t ? $(i + 4) : t; k++ } }
             END { if (k) printf "Done %d runs in %d second(s)%s", n, t, (k > 1 ? " (" k " workers)" : "") }')
    cov=$(grep -ao 'cov: [0-9]*' "$out/logs/$name.fuzz" | tail -1 || true)
    stretched=$(grep -ao 'stretch: [0-9]* inputs.*largest [0-9]* bytes' "$out/logs/$name.stretch" 2>/dev/null || true)
    took=$(cat "$out/logs/$name.time" 2>/dev/null || true)
    printf 'fuzz %-14s %s, %s edges; %s (%s)\n' "$name" "${done_line:-no result}" "${cov#cov: }" \
        "${stretched:-no large inputs}" "${took:-unfinished}"
done
for name in "${failed[@]}"; do
    echo "fuzz: $name FAILED"
    tail -40 "$out/logs/$name".fuzz* "$out/logs/$name.stretch" 2>/dev/null || true
done
echo "fuzz: ${#targets[@]} targets in $(( $(date +%s) - start )) s"
((${#failed[@]} == 0))

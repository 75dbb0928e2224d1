#!/usr/bin/env bash
# Drives fuzz/run.sh's timeout paths with a target that stalls on purpose
# (fuzz/stall_fuzz.cpp) and a per-input timeout of 2 s: an input that timed
# out once and replays at once passes on the count (in libFuzzer's pass and in
# the stretch driver's), one that hangs again fails the run, and so does a
# target still running after its guard.
#
#   fuzz/check_timeouts.sh OUT_DIR
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: check_timeouts.sh OUT_DIR}
mkdir -p "$out"
out=$(cd "$out" && pwd)
export FUZZ_TARGETS=stall FUZZ_INPUT_TIMEOUT=2 FUZZ_STRETCH=3 FUZZ_JOBS=1 STRETCH_SECONDS=2
# The stretch driver needs a seed; libFuzzer keeps none of its inputs here.
mkdir -p "$out/seeds/stall"
echo seed >"$out/seeds/stall/seed"
failures=0

# check WHAT STALL RUNS EXPECTED_STATUS LOG_PATTERN [ENV...]
check() {
    local what=$1 stall=$2 runs=$3 expected=$4 pattern=$5 status=0
    shift 5
    rm -rf "$out/work/stall" "$out/stall.mark"
    env FUZZ_STALL="$stall" "$@" "$root/fuzz/run.sh" "$out" "$runs" >"$out/$what.log" 2>&1 || status=$?
    if ((status != expected)); then
        echo "FAIL $what: run.sh ended $status, not $expected"
        failures=$((failures + 1))
    # grep reads the logs itself: after `cat | grep -q`, cat's write past grep's
    # early exit fails the pipe under pipefail as a log without the line.
    elif ! grep -Eq "$pattern" "$out"/logs/stall.*; then
        echo "FAIL $what: the log has no \"$pattern\""
        failures=$((failures + 1))
    else
        echo "ok   $what: $(grep -Ehm 1 "$pattern" "$out"/logs/stall.* | head -n 1)"
        return 0
    fi
    tail -n 20 "$out/$what.log" "$out"/logs/stall.*
}

check stalled-once "once:$out/stall.mark" 200 0 'the timeout did not come back'
check stretch-stalled-once "stretch-once:$out/stall.mark" 200 0 'input [0-9]* did not run over again'
check hang always 200 1 'hangs on .* again'
check guard slow 100000 1 'still running after its guard of 5 s' FUZZ_GUARD_SECONDS=5
((failures == 0))

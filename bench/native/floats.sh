#!/usr/bin/env bash
# Builds the float benchmark (bench/bench_floats.cpp) natively and runs it;
# arguments go to the benchmark.
# Usage: bench/native/floats.sh [large] [LIMIT_SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exec "$root/bench/native/build.sh" "$root/bench/bench_floats.cpp" "${OUT_DIR:-$root/build/native-floats}" "$@"

#!/usr/bin/env bash
# Builds the native reader benchmark and runs it.
# Usage: bench/native/run.sh [OUT_DIR] [ROUNDS] [LARGEST_MB]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exec "$root/bench/native/build.sh" "$root/bench/native/bench_reader.cpp" "${1:-$root/build/native-bench}" \
    "${2:-5}" "${3:-4}"

#!/usr/bin/env bash
# Builds bench/native/bench_layout_share.cpp natively and runs it; arguments
# go to the benchmark.
# Usage: bench/native/layout_share.sh [PAGE|all] [WIDTH]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exec "$root/bench/native/build.sh" "$root/bench/native/bench_layout_share.cpp" \
    "${OUT_DIR:-$root/build/native-share}" "$@"

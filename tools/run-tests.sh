#!/usr/bin/env bash
# Builds everything and runs every test, then the bounded fuzz runs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QLX_BUILD_DIR:-$root/build}"
"$root/tools/build.sh"
# POCL finds no device unless its kernel cache folder is writable.
export POCL_CACHE_DIR="${POCL_CACHE_DIR:-$build/pocl-cache}"
mkdir -p "$POCL_CACHE_DIR"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 900
if [ -x "$root/tools/run_fuzz.sh" ] && [ "${QLX_SKIP_FUZZ:-0}" != 1 ]; then
  "$root/tools/run_fuzz.sh" "${QLX_FUZZ_SECONDS:-10}"
fi

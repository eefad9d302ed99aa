#!/usr/bin/env bash
# Builds everything and runs every test; then the sanitizer runs and the
# bounded fuzz runs. Each step reports how long it took.
#
#   QLX_ASAN=1        also run the plugin's tests under AddressSanitizer +
#                     UndefinedBehaviorSanitizer (build-asan)
#   QLX_TSAN=1        also run the threaded tests under ThreadSanitizer (build-tsan)
#   QLX_SKIP_FUZZ=1   skip the fuzz runs (QLX_FUZZ_SECONDS each, default 10)
#
# The sanitizer builds build only the test programs they run
# (docs/RELIABILITY.md says which and why).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QLX_BUILD_DIR:-$root/build}"
jobs="$(nproc)"
supp="$root/tools/sanitizers"

timed() {
  local name=$1 start=$SECONDS
  shift
  "$@"
  echo "run-tests: $name took $((SECONDS - start)) s"
}

# Runs test programs of a sanitizer build one after another.
run_programs() {
  local dir=$1 program
  shift
  for program in "$@"; do
    echo "== $program"
    (cd "$dir" && "$dir/bin/$program" --gtest_brief=1)
  done
}

sanitizer_build() {
  local dir=$1 kind=$2
  shift 2
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQLX_SANITIZE="$kind" \
    -DQLX_BUILD_BENCH=OFF >/dev/null
  cmake --build "$dir" -j"$jobs" --target "$@" qlxLUTPlugin qlxAiFilterPlugin
  mkdir -p "$dir/pocl-cache"
}

# POCL finds no device unless its kernel cache folder is writable.
export POCL_CACHE_DIR="${POCL_CACHE_DIR:-$build/pocl-cache}"
mkdir -p "$POCL_CACHE_DIR"
timed "build" "$root/tools/build.sh"
timed "tests" ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 900

# The plugin's own code paths: entry points, catalogue, effects, hostile input
# and concurrent creation. Every undefined-behaviour report ends the program.
asan_programs=(stress_tests reliability_tests plugin_tests catalogue_tests effect_tests)
if [ "${QLX_ASAN:-0}" = 1 ]; then
  timed "ASan+UBSan build" sanitizer_build "$root/build-asan" address "${asan_programs[@]}"
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0" \
    POCL_CACHE_DIR="$root/build-asan/pocl-cache" QLX_STRESS_CYCLES=100 \
    timed "ASan+UBSan tests" run_programs "$root/build-asan" "${asan_programs[@]}"
fi

# OpenCV's pool is held to one thread: Debian builds it on TBB, whose
# uninstrumented scheduler TSan cannot see through; our own threads and locks
# are what is checked.
tsan_programs=(stress_tests catalogue_tests common_tests)
if [ "${QLX_TSAN:-0}" = 1 ]; then
  timed "TSan build" sanitizer_build "$root/build-tsan" thread "${tsan_programs[@]}"
  OPENCV_FOR_THREADS_NUM=1 QLX_STRESS_CYCLES=60 \
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp" \
    POCL_CACHE_DIR="$root/build-tsan/pocl-cache" \
    timed "TSan tests" run_programs "$root/build-tsan" "${tsan_programs[@]}"
fi

if [ -x "$root/tools/run_fuzz.sh" ] && [ "${QLX_SKIP_FUZZ:-0}" != 1 ]; then
  timed "fuzz" "$root/tools/run_fuzz.sh" "${QLX_FUZZ_SECONDS:-10}"
fi

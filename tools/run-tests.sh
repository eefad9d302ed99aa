#!/usr/bin/env bash
# Builds everything and runs every test; then the whole suite again under
# AddressSanitizer + UndefinedBehaviorSanitizer, the threaded tests and the
# stress program under ThreadSanitizer, and the bounded fuzz runs. Each step
# reports how long it took.
#
#   QLX_SKIP_ASAN=1   skip the AddressSanitizer + UndefinedBehaviorSanitizer run (build-asan)
#   QLX_SKIP_TSAN=1   skip the ThreadSanitizer run (build-tsan)
#   QLX_SKIP_FUZZ=1   skip the fuzz runs (QLX_FUZZ_SECONDS each, default 10)
#
# docs/RELIABILITY.md says what each sanitizer run covers and why.
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

# Configures a sanitizer build; builds the given targets, or everything.
sanitizer_build() {
  local dir=$1 kind=$2 bench=$3
  shift 3
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQLX_SANITIZE="$kind" \
    -DQLX_BUILD_BENCH="$bench" >/dev/null
  if (($#)); then
    cmake --build "$dir" -j"$jobs" --target "$@" qlxLUTPlugin qlxAiFilterPlugin
  else
    cmake --build "$dir" -j"$jobs"
  fi
  mkdir -p "$dir/pocl-cache"
}

# POCL finds no device unless its kernel cache folder is writable.
export POCL_CACHE_DIR="${POCL_CACHE_DIR:-$build/pocl-cache}"
mkdir -p "$POCL_CACHE_DIR"
timed "build" "$root/tools/build.sh"
timed "tests" ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 900

# The whole suite, companions and child processes included. Every undefined-
# behaviour report ends the program; leaks are reported at exit.
if [ "${QLX_SKIP_ASAN:-0}" != 1 ]; then
  timed "ASan+UBSan build" sanitizer_build "$root/build-asan" address OFF
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0" \
    POCL_CACHE_DIR="$root/build-asan/pocl-cache" QLX_STRESS_CYCLES=100 \
    timed "ASan+UBSan tests" ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs" \
    --timeout 1800
fi

# The tests that run threads of their own, and the stress program (render
# threads on every renderer, effect churn, plugin restarts) with small counts.
# OpenCV's pool is held to one thread: Debian builds it on TBB, whose
# uninstrumented scheduler TSan cannot see through; our own threads and locks
# are what is checked.
tsan_programs=(stress_tests common_tests catalogue_tests aifilter_tests gl_tests)
if [ "${QLX_SKIP_TSAN:-0}" != 1 ]; then
  timed "TSan build" sanitizer_build "$root/build-tsan" thread ON "${tsan_programs[@]}" \
    stress_effects KRPlatformOpenCL KROpenGLEffectMgr KROpenGLEffectMgr-mesa
  export OPENCV_FOR_THREADS_NUM=1 QLX_STRESS_CYCLES=60 \
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp" \
    POCL_CACHE_DIR="$root/build-tsan/pocl-cache"
  timed "TSan tests" run_programs "$root/build-tsan" "${tsan_programs[@]}"
  timed "TSan stress" "$root/build-tsan/bin/stress_effects" --rounds 2 --frames 6 --churn 4
  unset OPENCV_FOR_THREADS_NUM QLX_STRESS_CYCLES TSAN_OPTIONS
  export POCL_CACHE_DIR="$build/pocl-cache"
fi

if [ -x "$root/tools/run_fuzz.sh" ] && [ "${QLX_SKIP_FUZZ:-0}" != 1 ]; then
  timed "fuzz" "$root/tools/run_fuzz.sh" "${QLX_FUZZ_SECONDS:-10}"
fi

#!/usr/bin/env bash
# Builds everything and runs every test; then the whole suite again under
# AddressSanitizer + UndefinedBehaviorSanitizer, the threaded tests and the
# stress program under ThreadSanitizer, one render under Valgrind, and the
# bounded fuzz runs. Each step reports how long it took.
#
#   QLX_SKIP_ASAN=1   skip the AddressSanitizer + UndefinedBehaviorSanitizer run (build-asan)
#   QLX_SKIP_TSAN=1   skip the ThreadSanitizer run (build-tsan)
#   QLX_SKIP_VALGRIND=1  skip the Valgrind memcheck run (the CPU renderer only)
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

# Runs test programs of a sanitizer build one after another, with
# $QLX_PRELOAD preloaded into each (and nothing else).
run_programs() {
  local dir=$1 program
  shift
  for program in "$@"; do
    echo "== $program"
    (cd "$dir" && env ${QLX_PRELOAD:+LD_PRELOAD="$QLX_PRELOAD"} "$dir/bin/$program" --gtest_brief=1)
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

# The suite, companions and child processes included. Every undefined-
# behaviour report ends the program; leaks are reported at exit. Left out:
# qlxhost_opengl_equals_cpu, which renders every shared photo through qlxhost
# twice (seven minutes here natively, the sanitizers would triple it) on paths
# the rest of the suite takes; and one OpenGL test at whose exit
# LeakSanitizer's own thread-suspending tracer crashes (signal 11 in the
# sanitizer runtime, with Mesa's threads alive).
asan_skip='qlxhost_opengl_equals_cpu|OpenGLDeviceRefusesFramesFromAnotherThread'
if [ "${QLX_SKIP_ASAN:-0}" != 1 ]; then
  timed "ASan+UBSan build" sanitizer_build "$root/build-asan" address OFF
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0" \
    POCL_CACHE_DIR="$root/build-asan/pocl-cache" QLX_STRESS_CYCLES=100 \
    timed "ASan+UBSan tests" ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs" \
    --timeout 1800 -E "$asan_skip"
fi

# POCL's "basic" device runs each command on the thread that submits it, and
# with several threads submitting to the one shared queue it deadlocks inside
# libpocl (three OpenCL render threads waiting on one of its mutexes in
# clEnqueueNDRangeKernel, in two of three runs with eight render threads). So
# the run here has three render threads, one per renderer (the native stress
# test keeps eight); a run still going after five minutes (it takes under two)
# is stopped with its threads' stacks in the log and run once more. A second
# hang fails the step, as does any TSan report or mismatch.
stress_under_tsan() {
  local attempt pid waited
  for attempt in 1 2; do
    env LD_PRELOAD="$QLX_PRELOAD" "$root/build-tsan/bin/stress_effects" \
      --rounds 2 --frames 6 --churn 4 --threads 3 &
    pid=$!
    for ((waited = 0; waited < 300; ++waited)); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 1
    done
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      return
    fi
    echo "run-tests: the TSan stress run hung (attempt $attempt); its threads:"
    if command -v gdb >/dev/null; then
      gdb -p "$pid" -batch -ex "thread apply all bt 16" 2>/dev/null | grep '^#' || true
    fi
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true
  done
  echo "run-tests: the TSan stress run hung twice"
  return 1
}

# The tests that run threads of their own, and the stress program (render
# threads on every renderer, effect churn, plugin restarts) with small counts.
# Threads we cannot instrument are kept out of the way, so that what TSan
# checks is ours: OpenCV's parallel_for_ (on TBB in Debian's build) is held to
# the calling thread by a preloaded library (tools/sanitizers/opencv_one_thread.cpp;
# OPENCV_FOR_THREADS_NUM does not reach the TBB backend), and POCL runs kernels
# on its "basic" device, without worker threads. The stress program runs
# without the deadlock detector, which loses count of the locks LLVM takes
# while Mesa compiles shaders.
tsan_programs=(stress_tests common_tests catalogue_tests aifilter_tests gl_tests)
if [ "${QLX_SKIP_TSAN:-0}" != 1 ]; then
  timed "TSan build" sanitizer_build "$root/build-tsan" thread ON "${tsan_programs[@]}" \
    stress_effects qlx_opencv_one_thread KRPlatformOpenCL KROpenGLEffectMgr KROpenGLEffectMgr-mesa
  tsan="halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp"
  export QLX_PRELOAD="$root/build-tsan/bin/libqlx_opencv_one_thread.so" POCL_DEVICES=basic \
    QLX_STRESS_CYCLES=60 TSAN_OPTIONS="$tsan" POCL_CACHE_DIR="$root/build-tsan/pocl-cache"
  timed "TSan tests" run_programs "$root/build-tsan" "${tsan_programs[@]}"
  TSAN_OPTIONS="$tsan:detect_deadlocks=0" timed "TSan stress" stress_under_tsan
  unset QLX_PRELOAD POCL_DEVICES QLX_STRESS_CYCLES TSAN_OPTIONS
  export POCL_CACHE_DIR="$build/pocl-cache"
fi

# qlxhost renders a small photo with skin protection on the CPU renderer under
# memcheck (about a minute); the OpenCL and OpenGL renderers take minutes each
# there and are left to tools/run_valgrind.sh.
if [ "${QLX_SKIP_VALGRIND:-0}" != 1 ]; then
  timed "Valgrind (cpu renderer)" "$root/tools/run_valgrind.sh" "$build" cpu
fi

if [ -x "$root/tools/run_fuzz.sh" ] && [ "${QLX_SKIP_FUZZ:-0}" != 1 ]; then
  timed "fuzz" "$root/tools/run_fuzz.sh" "${QLX_FUZZ_SECONDS:-10}"
fi

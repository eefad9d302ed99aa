#!/usr/bin/env bash
# Valgrind memcheck over one end-to-end render per renderer: qlxhost applies a
# bundled look, with skin protection, to a small picture through the CPU, the
# OpenCL and the OpenGL renderer. A run fails on any invalid access or use of
# an uninitialised value, and on a definite leak whose stack passes through our
# code (the plugin, its companions, qlxhost); leaks allocated inside the
# system's OpenCL and OpenGL drivers are listed in tools/sanitizers/valgrind.supp.
#
#   tools/run_valgrind.sh [build folder [renderer ...]]
#       build folder: default build, as tools/build.sh makes it
#       renderers: cpu opencl opengl (default: all three)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
shift $(($# > 0 ? 1 : 0))
renderers=("${@:-cpu opencl opengl}")
qlxhost="$build/bin/qlxhost"
command -v valgrind >/dev/null || { echo "run_valgrind: valgrind is not installed" >&2; exit 2; }
[ -x "$qlxhost" ] || { echo "run_valgrind: build qlxhost first ($qlxhost)" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export POCL_CACHE_DIR="$work/pocl-cache"
mkdir -p "$POCL_CACHE_DIR"
photo="$(ls "$root"/../shared/testdata/images/people_* "$root"/../shared/testdata/images/*.jpg 2>/dev/null | head -n 1 || true)"
picture="$work/in.png"
# A photo (one with people when there is one), made small: memcheck runs the segmentation model some
# fifty times slower than natively.
if [ -n "$photo" ] && command -v ffmpeg >/dev/null; then
  ffmpeg -loglevel error -i "$photo" -vf scale=192:-2 "$picture"
else
  # No shared photos: any small picture will do; qlxhost's demo writes one.
  "$qlxhost" demo -o "$work" >/dev/null
  picture="$work/contact-sheet.png"
fi

status=0
for renderer in ${renderers[*]}; do
  log="$work/$renderer.log"
  start=$SECONDS
  if valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
      --errors-for-leak-kinds=definite --show-leak-kinds=definite \
      --suppressions="$root/tools/sanitizers/valgrind.supp" --log-file="$log" \
      "$qlxhost" apply -f "Warm" -s 50 -r "$renderer" "$picture" "$work/out-$renderer.png" \
      >/dev/null 2>&1; then
    echo "run_valgrind: $renderer clean ($((SECONDS - start)) s; $(grep -c 'ERROR SUMMARY: 0' "$log") summary)"
  else
    status=1
    echo "run_valgrind: $renderer FAILED ($((SECONDS - start)) s):"
    grep -E 'Invalid|uninitialised|definitely lost|ERROR SUMMARY' "$log" | head -n 20
    cp "$log" "$build/valgrind-$renderer.log" && echo "  full log: $build/valgrind-$renderer.log"
  fi
done
exit $status

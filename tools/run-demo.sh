#!/usr/bin/env bash
# Builds everything, then renders every bundled look on qlxhost's built-in test
# picture into one contact sheet: ./demo-out/contact-sheet.png, or the folder
# given as the first argument.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${QLX_BUILD_DIR:-$root/build}"
out="${1:-$PWD/demo-out}"
"$root/tools/build.sh"
# POCL finds no device unless its kernel cache folder is writable.
export POCL_CACHE_DIR="${POCL_CACHE_DIR:-$build/pocl-cache}"
mkdir -p "$POCL_CACHE_DIR"
"$build/bin/qlxhost" demo --out "$out"
echo "Open it with any picture viewer, e.g.: xdg-open \"$out/contact-sheet.png\""

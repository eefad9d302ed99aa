#!/usr/bin/env bash
# Installs every Debian package that building, testing and running the project
# needs. Idempotent and non-interactive: packages already present are skipped.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libopencv-core-dev libopencv-imgproc-dev libopencv-imgcodecs-dev libopencv-dnn-dev
  libtinyxml2-dev nlohmann-json3-dev
  ocl-icd-opencl-dev opencl-headers pocl-opencl-icd
  libegl-dev libgles-dev libgl-dev libgl1-mesa-dri libegl-mesa0
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libfmt-dev libexiv2-dev libjpeg-dev zlib1g-dev
  opencolorio-tools
  ffmpeg clang libclang-rt-14-dev clang-format valgrind
  g++-mingw-w64-x86-64-posix
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "setup: all packages present"
fi

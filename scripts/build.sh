#!/usr/bin/env bash
# Installs what is missing, then builds the native host tools and both Windows builds of the
# program and its tests: build/win (32-bit, the one that ships) and build/win64 (64-bit, tested
# where 32-bit programs cannot run). Both always compile, so neither can rot.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build="${VL_BUILD:-$root/build}"
jobs=$(nproc)
mkdir -p "$build"

[ "${VL_SKIP_SETUP:-}" = 1 ] || bash "$here/setup.sh"

configure() {  # configure NAME SOURCE ARGS...
  local name=$1 src=$2
  shift 2
  cmake -S "$src" -B "$build/$name" "$@" > "$build/$name-configure.log" 2>&1 \
    || { cat "$build/$name-configure.log"; exit 1; }
}

configure native "$root/tools" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build/native" -j "$jobs"

for arch in 32 64; do
  name=win; [ $arch = 64 ] && name=win64
  configure $name "$root" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw$arch.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHOST_TOOLS_DIR="$build/native"
  cmake --build "$build/$name" -j "$jobs"
done

#!/usr/bin/env bash
# Installs what is missing, then builds the native host tools and the Windows program and tests.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build="${VL_BUILD:-$root/build}"
jobs=$(nproc)
mkdir -p "$build"

[ "${VL_SKIP_SETUP:-}" = 1 ] || bash "$here/setup.sh"

cmake -S "$root/tools" -B "$build/native" -DCMAKE_BUILD_TYPE=Release > "$build/native-configure.log" 2>&1 \
  || { cat "$build/native-configure.log"; exit 1; }
cmake --build "$build/native" -j "$jobs"

cmake -S "$root" -B "$build/win" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHOST_TOOLS_DIR="$build/native" > "$build/win-configure.log" 2>&1 \
  || { cat "$build/win-configure.log"; exit 1; }
cmake --build "$build/win" -j "$jobs"

#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the native tests, and the Windows suite on
# each build this machine can run, the 64-bit one everywhere and the 32-bit one where 32-bit
# programs execute. The Windows suites run side by side, each in its own prefix and display,
# with VL_LANES (2) more of them for the whole-program scenarios. VL_ARCH=32 or VL_ARCH=64 runs
# one only.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build="${VL_BUILD:-$root/build}"
. "$here/wine-env.sh"

mkdir -p "$build"
# The first line of output says what is tested; the install's own output goes to a log.
if [ "${VL_SKIP_SETUP:-}" != 1 ]; then
  bash "$here/setup.sh" > "$build/setup.log" 2>&1 || { cat "$build/setup.log"; exit 1; }
fi
vl_arch_plan
echo "$VL_ARCH_LINE"
[ -n "$VL_ARCHS" ] || exit 1

VL_SKIP_SETUP=1 bash "$here/build.sh" || exit 1

# One Windows suite in a subshell of its own: its environment, its ctest, its log.
run_suite() {
  local arch=$1
  mkdir -p "$build/out$arch"
  (
    trap 'vl_lanes_stop; vl_env_stop' EXIT
    trap 'exit 130' INT TERM
    vl_env_start "$build" "$arch" || exit 1
    vl_lanes_start "$build" "$arch" "${VL_LANES:-2}" || exit 1
    ctest --test-dir "$VL_WINBUILD" --output-on-failure -j 5
  ) > "$build/out$arch/ctest.log" 2>&1
}

pids=() archs=()
for arch in $VL_ARCHS; do
  run_suite "$arch" &
  pids+=($!) archs+=("$arch")
done
trap 'kill "${pids[@]}" 2>/dev/null; wait; exit 130' INT TERM

status=0
ctest --test-dir "$build/native" --output-on-failure -j 4 || status=1
for i in "${!pids[@]}"; do
  wait "${pids[$i]}"
  suite=$?
  echo "=== Windows suite, ${archs[$i]}-bit build ($build/out${archs[$i]}/ctest.log) ==="
  cat "$build/out${archs[$i]}/ctest.log"
  [ $suite = 0 ] || status=1
done
exit $status

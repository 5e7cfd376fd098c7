#!/usr/bin/env bash
# Which Windows builds the test command tests, and which one the run command starts, for a
# machine whose 32-bit loader runs and for one where it fails as a kernel without 32-bit
# emulation makes it fail ("Exec format error"), with and without VL_ARCH.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../../scripts/wine-env.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A loader that cannot execute: binary bytes the kernel does not take (as a 32-bit ELF on a
# kernel without 32-bit emulation).
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' > "$work/no32"
chmod +x "$work/no32"
printf '#!/bin/sh\necho wine-8.0\n' > "$work/runs32"
chmod +x "$work/runs32"

failures=0
# loader  VL_ARCH  archs tested  run arch  first line contains (~ for a blank)
while read -r loader arch archs run line; do
  [ "$arch" = - ] && arch=
  [ "$archs" = - ] && archs=
  [ "$run" = - ] && run=
  VL_WINE32_LOADER=$work/$loader VL_ARCH=$arch vl_arch_plan
  if [ "$VL_ARCHS" != "${archs//[~]/ }" ] || [ "$VL_RUN_ARCH" != "$run" ] ||
     [[ "$VL_ARCH_LINE" != *"${line//[~]/ }"* ]]; then
    echo "FAIL: loader=$loader VL_ARCH=$arch: archs '$VL_ARCHS' run '$VL_RUN_ARCH' line '$VL_ARCH_LINE'"
    failures=$((failures + 1))
  else
    echo "ok: loader=$loader VL_ARCH=$arch: $VL_ARCH_LINE"
  fi
done <<'CASES'
runs32 -  64~32 32 the~64-bit~and~the~32-bit~build~(this~machine~runs~32-bit~programs)
no32   -  64    64 the~64-bit~build~only~(this~machine~cannot~run~32-bit~programs:
no32   -  64    64 no32:~Exec~format~error)
runs32 64 64    64 the~64-bit~build~only~(VL_ARCH=64)
no32   64 64    64 the~64-bit~build~only~(VL_ARCH=64)
runs32 32 32    32 the~32-bit~build~only~(VL_ARCH=32)
no32   32 -     -  none~(VL_ARCH=32,~but~this~machine~cannot~run~32-bit~programs:
runs32 86 -     -  none~(VL_ARCH~must~be~32~or~64,~not~'86')
CASES
[ $failures = 0 ]

#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, in the project's own 32-bit prefix.
# Used as CMAKE_CROSSCOMPILING_EMULATOR, so CTest runs every test executable through it.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
export VL_BUILD="${VL_BUILD:-$root/build}"
export WINEPREFIX="${WINEPREFIX:-$VL_BUILD/wineprefix}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"

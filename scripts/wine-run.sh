#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, in the prefix of its arch that
# scripts/wine-env.sh set up (PATH gives the loader of that arch). Used as
# CMAKE_CROSSCOMPILING_EMULATOR, so CTest runs every test executable through it.
#
# With VL_HANG_SECONDS (CTest sets it a little below each test's time limit) a program still
# running after that long is taken for hung: the backtraces of its threads go to standard error,
# with our own frames turned into function and line, and the program is ended with status 124.
[ -n "${WINEPREFIX:-}" ] && [ -n "${VL_OUT:-}" ] ||
  { echo "wine-run.sh: WINEPREFIX and VL_OUT are not set (run through scripts/test.sh)" >&2; exit 1; }
[ -n "${VL_HANG_SECONDS:-}" ] || exec wine "$@"

exe=$1
name=$(basename "$exe")

hang_report() {
  echo "HANG: $name still runs after $VL_HANG_SECONDS s; its threads:"
  # Only this program's threads: the debugger's "bt all" visits every process of the prefix and
  # can take minutes under load.
  local wpid tids bt cmds=$VL_OUT/hang-$$.dbg
  wpid=$(timeout 30 wine winedbg --command "info process" 2>&1 | tr -d '\r' |
         awk -v n="'$name'" '$3 == n { print $1; exit }')
  [ -n "$wpid" ] || { echo "HANG: $name is not in the debugger's process list"; return 0; }
  tids=$(timeout 30 wine winedbg --command "info thread" 2>&1 | tr -d '\r' |
         awk -v p="$wpid" '/^[0-9a-f]+ / { cur = $1 } /^\t/ && cur == p { print $1 }')
  { echo "attach 0x$wpid"; for t in $tids; do echo "bt 0x$t"; done; echo detach; echo quit; } > "$cmds"
  bt=$(timeout 60 wine winedbg --file "Z:${cmds//\//\\}" 2>&1)
  rm -f "$cmds"
  printf '%s\n' "$bt"
  local tool
  case "${WINEARCH:-}" in win64) tool=x86_64-w64-mingw32-addr2line ;; *) tool=i686-w64-mingw32-addr2line ;; esac
  command -v "$tool" > /dev/null || return 0
  echo "HANG: $name's own frames:"
  printf '%s\n' "$bt" | sed -n "s/^ *[0-9]* 0x0*\([0-9a-fA-F]*\) in ${name%.exe} (+.*/0x\1/p" |
    "$tool" -f -C -p -e "$exe" 2>/dev/null | sed 's/^/  /'
}

hung=$(mktemp)
rm -f "$hung"
wine "$@" &
pid=$!
(
  for _ in $(seq 1 "$VL_HANG_SECONDS"); do
    kill -0 "$pid" 2>/dev/null || exit 0
    sleep 1
  done
  touch "$hung"
  hang_report >&2
  kill -TERM "$pid" 2>/dev/null
  sleep 5
  kill -KILL "$pid" 2>/dev/null
) &
watchdog=$!
wait "$pid"
status=$?
kill "$watchdog" 2>/dev/null
wait "$watchdog" 2>/dev/null
[ -e "$hung" ] && { rm -f "$hung"; status=124; }
exit $status

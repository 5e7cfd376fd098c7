#!/usr/bin/env bash
# Builds the program and runs it under Wine. With no modem registered it starts the modem
# simulator on a pseudo-terminal linked as COM1. With no X display it runs under Xvfb, saves a
# screenshot after a while and prints where it is.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build="${VL_BUILD:-$root/build}"
exe="$build/win/src/app/Vorlane.exe"

bash "$here/build.sh" || exit 1

. "$here/wine-env.sh"
headless=1
if [ -n "${DISPLAY:-}" ] && xdpyinfo > /dev/null 2>&1; then
  headless=0
  export VL_KEEP_DISPLAY=1
fi
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null
  vl_env_stop
}
trap cleanup EXIT
trap 'exit 130' INT TERM
vl_env_start "$build" keep || exit 1

sim="$build/native/modemsim/modemsim"
rm -f "$VL_PORTS/run-ready"
# The demo scenario: a generic voice modem on COM1 that rings with caller ID after each init.
if [ -n "${VL_RUN_PROFILE:-}" ]; then modem=(--port "com1:$VL_RUN_PROFILE")
else modem=(--scenario "$root/tools/modemsim/scenarios/demo.scn"); fi
"$sim" --dir "$VL_PORTS" "${modem[@]}" --ready "$VL_PORTS/run-ready" \
  --log "$build/modemsim-run.jsonl" > "$build/modemsim-run.log" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do [ -f "$VL_PORTS/run-ready" ] && break; sleep 0.05; done
[ -f "$VL_PORTS/run-ready" ] || { echo "the modem simulator did not start (see $build/modemsim-run.log)" >&2; exit 1; }
echo "modem simulator on COM1 (log: $build/modemsim-run.jsonl)"

if [ "$headless" = 1 ]; then
  shot="$build/screenshot.png"
  bash "$here/wine-run.sh" "$exe" &
  app_pid=$!
  sleep "${VL_SHOT_DELAY:-8}"
  import -window root "$shot" && echo "screenshot: $shot"
  kill "$app_pid" 2>/dev/null
  wait "$app_pid" 2>/dev/null
else
  bash "$here/wine-run.sh" "$exe"
fi

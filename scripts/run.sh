#!/usr/bin/env bash
# Builds the program and runs it under Wine: the 32-bit build where this machine runs 32-bit
# programs, the 64-bit build of the same sources elsewhere (VL_ARCH=32|64 picks one). With
# VL_REAL_MODEM=COMn=/dev/ttyX it uses that device as COMn; otherwise it starts the modem
# simulator on a pseudo-terminal linked as COM1. With no X display it runs under Xvfb, saves a
# screenshot after a while and prints where it is.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build="${VL_BUILD:-$root/build}"

bash "$here/build.sh" || exit 1

. "$here/wine-env.sh"
vl_arch_plan
[ -n "$VL_RUN_ARCH" ] || { echo "${VL_ARCH_LINE#Windows tests: }" >&2; exit 1; }
vl_arch_use "$build" "$VL_RUN_ARCH" run-out$VL_RUN_ARCH
exe="$VL_WINBUILD/src/app/Vorlane.exe"
echo "running the $VL_RUN_ARCH-bit build ($exe)"
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
vl_env_start "$build" "$VL_RUN_ARCH" keep run-out$VL_RUN_ARCH || exit 1

# The program keeps its settings, call log and recordings beside itself: run it from a folder of
# its own that lasts from one run to the next.
app="$build/run"
mkdir -p "$app" && cp "$exe" "$app/" || exit 1
exe="$app/Vorlane.exe"

if [ -n "${VL_REAL_MODEM:-}" ]; then
  echo "real modem: $VL_REAL_MODEM; the program's files are in $app"
  (cd "$app" && bash "$here/wine-run.sh" "$exe")
  exit
fi

# The demo scenario: a generic voice modem on COM1 that rings with caller ID after each init.
sim="$build/native/modemsim/modemsim"
rm -f "$VL_PORTS/run-ready"
if [ -n "${VL_RUN_PROFILE:-}" ]; then modem=(--port "com1:$VL_RUN_PROFILE")
else modem=(--scenario "$root/tools/modemsim/scenarios/demo.scn"); fi
"$sim" --dir "$VL_PORTS" "${modem[@]}" --ready "$VL_PORTS/run-ready" \
  --log "$build/modemsim-run.jsonl" > "$build/modemsim-run.log" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do [ -f "$VL_PORTS/run-ready" ] && break; sleep 0.05; done
[ -f "$VL_PORTS/run-ready" ] || { echo "the modem simulator did not start (see $build/modemsim-run.log)" >&2; exit 1; }
echo "modem simulator on COM1 (log: $build/modemsim-run.jsonl); the program's files are in $app"

if [ "$headless" = 0 ]; then
  (cd "$app" && bash "$here/wine-run.sh" "$exe")
  exit
fi

# No display: the dialog watcher plays the user (OK in the modem wizard, OK in any box), the
# demo call is recorded and filed, and a screenshot shows the main window with it.
winpath() { printf 'Z:%s' "${1//\//\\}"; }
rules="$build/run-rules.txt" quit="$build/run-quit"
printf '%s\n' 'title="Modem initialization" select~=VSIM press=OK again=0' \
  'class=TfmQdx ignore' 'class=TfmCallerID ignore' > "$rules"
rm -f "$quit"
calls_before=$(ls "$app/wav" 2>/dev/null | grep -c '^1_.*\.wav$')
bash "$here/wine-run.sh" "$VL_WINBUILD/tests/e2e/watcher.exe" --rules "$(winpath "$rules")" \
  --log "$(winpath "$build/run-watcher.log")" --quit-file "$(winpath "$quit")" \
  --timeout 300 --close-on-quit 20000 -- "$(winpath "$exe")" > "$build/run-watcher.out" 2>&1 &
watcher_pid=$!
filed=0
for _ in $(seq 1 1200); do
  calls=$(ls "$app/wav" 2>/dev/null | grep -c '^1_.*\.wav$')
  [ "$calls" -gt "$calls_before" ] && { filed=1; break; }
  kill -0 "$watcher_pid" 2>/dev/null || break
  sleep 0.1
done
sleep 2
shot="$build/screenshot.png"
import -window root "$shot" && echo "screenshot: $shot"
[ "$filed" = 1 ] && echo "a simulated call was recorded and filed in $app/wav" ||
  echo "no call was filed within two minutes (see $build/run-watcher.log, $build/modemsim-run.jsonl)"
touch "$quit"
wait "$watcher_pid" 2>/dev/null

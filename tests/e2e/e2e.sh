# Sourced by the whole-program tests: one run = a fresh folder, the modem simulator on the COM
# ports, the program under Wine in its own folder with the dialog watcher beside it, bounded
# waits, and a trap that ends everything this run started (by pid) and says where the files are.
# Needs the environment of scripts/test.sh (WINEPREFIX, VL_BUILD, VL_OUT, VL_PORTS, DISPLAY).
#
#   . tests/e2e/e2e.sh
#   e2e_init NAME WATCHER.exe [SIMULATOR]
#   e2e_begin NAME "$@"                    a scenario's e2e_init from its arguments WATCHER.exe
#                                          PROGRAM.exe [SIMULATOR [VARIANT]]: E2E_PROGRAM,
#                                          E2E_VARIANT; the run is named NAME-VARIANT
#   e2e_sim_start [--scenario FILE] [--speed F] com3:generic com2:dead ...
#   e2e_sim "ring com3 count=3"            one control line; the payload is in E2E_REPLY
#   e2e_rules <<'EOF' ... EOF              the watcher's rules (see tests/e2e/watcher/Rules.h)
#   e2e_start [WATCHER OPTIONS] -- PROGRAM.exe ARGS...
#   e2e_wait_line FILE REGEX [SECONDS]     a line in a growing file (grep -E)
#   e2e_wait_exit [SECONDS]                the program ends by itself; E2E_PROGRAM_STATUS
#   e2e_run SECONDS [WATCHER OPTIONS] -- ARGS...
#                                          the program once more in its folder (a second
#                                          instance), started by a watcher of its own and bounded;
#                                          E2E_RUN_STATUS, the watcher's log in watcher-run<n>.log
#   e2e_screenshot FILE.png                the whole screen
#   e2e_stop [SECONDS]                     quit file: the watcher closes the program (WM_CLOSE to
#                                          its main window, then 20 s for it to end); then all ends
#   e2e_no_default_presses                 fails if a box needed the default rule
#   e2e_stop_ok [SECONDS]                  e2e_stop; fails unless the program ended with 0 and
#                                          no box needed the default rule
#   e2e_collect DEST                       copies the run's files to DEST
#   e2e_fail MESSAGE                       says why, shows the logs and ends the test (status 1)
#
# Files of a run, all in $E2E_DIR: app/ (the program's folder: its exe, ini files, tables, wav\),
# watcher.log (JSON lines), watcher.err, program.out/.err, sim.log, sim.err, rules.txt. A second
# e2e_start in the same run renames the first one's files to watcher.1.log, program.1.err, ...

# A scenario that CTest gave a lane runs in that lane's prefix and display; lane 0 is the suite's
# own (scripts/wine-env.sh).
_e2e_lane=${CTEST_RESOURCE_GROUP_0_LANES:-id:0}
_e2e_lane=${_e2e_lane#id:}
_e2e_lane=${_e2e_lane%%,*}
if [ "$_e2e_lane" != 0 ]; then
  . "${VL_SUITE:?}/lane$_e2e_lane/env" || { printf 'e2e: lane %s has no environment\n' "$_e2e_lane" >&2; exit 1; }
fi

E2E_DIR= E2E_APP= E2E_WATCHER= E2E_SIMBIN= E2E_SIM_PID= E2E_SIM_RUN= E2E_SIM_CONTROL= E2E_WATCHER_PID=
E2E_PROGRAM_PID= E2E_EXE= E2E_RUNS=0 E2E_RUN_STATUS= E2E_STARTS=0
E2E_PROGRAM_STATUS= E2E_FAILED= E2E_REPLY= E2E_PROGRAM= E2E_VARIANT=

e2e_log() { printf 'e2e: %s\n' "$*" >&2; }

# A Linux path as Wine's Z: drive sees it.
e2e_winpath() {
  local p=$1
  [ "${p#/}" != "$p" ] || p=$PWD/$p
  printf 'Z:%s' "${p//\//\\}"
}

e2e_init() {
  local name=${1:?e2e_init NAME WATCHER.exe [SIMULATOR]}
  E2E_WATCHER=${2:?e2e_init needs the watcher}
  E2E_SIMBIN=${3:-${VL_BUILD:-}/native/modemsim/modemsim}
  local v
  for v in WINEPREFIX VL_BUILD VL_OUT VL_PORTS DISPLAY; do
    [ -n "${!v:-}" ] || { e2e_log "$v is not set (run through scripts/test.sh)"; exit 1; }
  done
  [ -f "$E2E_WATCHER" ] || { e2e_log "no watcher at $E2E_WATCHER"; exit 1; }
  E2E_WATCHER=$(realpath "$E2E_WATCHER")
  mkdir -p "$VL_OUT/e2e" || exit 1
  E2E_DIR=$(mktemp -d "$VL_OUT/e2e/$name.XXXXXX") || exit 1
  E2E_APP=$E2E_DIR/app
  mkdir -p "$E2E_APP" || exit 1
  trap '_e2e_exit' EXIT
  trap 'E2E_FAILED=1; exit 130' INT TERM
  trap '' PIPE  # a simulator gone mid-command is an error to report, not the end of the shell
}

e2e_begin() {
  local name=${1:?e2e_begin NAME WATCHER.exe PROGRAM.exe [SIMULATOR [VARIANT]]}
  shift
  [ $# -ge 2 ] || { e2e_log "usage: $name.sh WATCHER.exe PROGRAM.exe [SIMULATOR [VARIANT]]"; exit 2; }
  E2E_PROGRAM=$2 E2E_VARIANT=${4:-}
  e2e_init "$name${E2E_VARIANT:+-$E2E_VARIANT}" "$1" "${3:-}"
}

# Ends a pid of ours: TERM, a bounded wait, then KILL.
_e2e_end_pid() {
  local pid=$1 i
  [ -n "$pid" ] || return 0
  kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null; return 0; }
  kill -TERM "$pid" 2>/dev/null
  for i in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return 0
}

_e2e_exit() {
  local status=$?
  [ $status -eq 0 ] || E2E_FAILED=1
  _e2e_end_pid "$E2E_WATCHER_PID"; E2E_WATCHER_PID=
  _e2e_end_pid "$E2E_PROGRAM_PID"; E2E_PROGRAM_PID=
  e2e_sim_stop
  if [ -n "$E2E_FAILED" ]; then
    e2e_log "FAILED; the files of the run are in $E2E_DIR"
    local f
    for f in watcher.err program.err sim.err; do
      [ -s "$E2E_DIR/$f" ] && { e2e_log "--- $f (last lines)"; tail -n 20 "$E2E_DIR/$f" >&2; }
    done
    [ -s "$E2E_DIR/watcher.log" ] && { e2e_log "--- watcher.log (last lines)"; tail -n 15 "$E2E_DIR/watcher.log" >&2; }
    [ $status -ne 0 ] || status=1
  elif [ -z "${E2E_KEEP:-}" ] && [ -n "$E2E_DIR" ]; then
    rm -rf "$E2E_DIR"
  fi
  exit $status
}

e2e_fail() {
  e2e_log "$*"
  E2E_FAILED=1
  exit 1
}

# Starts the simulator with the ports given as comN[:PROFILE]; other words are its options.
e2e_sim_start() {
  local args=() a ready=$E2E_DIR/sim.ready i
  while [ $# -gt 0 ]; do
    a=$1; shift
    case "$a" in
      --*) args+=("$a" "${1:?$a needs a value}"); shift ;;
      *) args+=(--port "$a") ;;
    esac
  done
  [ -x "$E2E_SIMBIN" ] || e2e_fail "no simulator at $E2E_SIMBIN"
  "$E2E_SIMBIN" --dir "$VL_PORTS" --control 0 --ready "$ready" --log "$E2E_DIR/sim.log" "${args[@]}" \
    > "$E2E_DIR/sim.out" 2> "$E2E_DIR/sim.err" &
  E2E_SIM_PID=$!
  # Where scripts/wine-env.sh's vl_env_stop finds simulators left behind by a killed test.
  mkdir -p "$VL_OUT/sims" && E2E_SIM_RUN=$(mktemp -d "$VL_OUT/sims/e2e.XXXXXX") &&
    echo "$E2E_SIM_PID" > "$E2E_SIM_RUN/pid"
  for i in $(seq 1 200); do
    [ -s "$ready" ] && break
    kill -0 "$E2E_SIM_PID" 2>/dev/null || break
    sleep 0.05
  done
  E2E_SIM_CONTROL=$(sed -n 's/^{"control": *\([0-9]*\).*/\1/p' "$ready" 2>/dev/null)
  [ -n "$E2E_SIM_CONTROL" ] && [ "$E2E_SIM_CONTROL" != 0 ] || e2e_fail "the simulator did not get ready"
  cp "$ready" "$E2E_DIR/sim.links"  # the simulator removes its ready file when it ends
}

# One control line; the reply's payload goes to E2E_REPLY; fails the test on "error ..." or no
# reply within 90 s (so never call it in a $(...), where the failure could not end the test).
e2e_sim() {
  E2E_REPLY=
  [ -n "$E2E_SIM_CONTROL" ] || e2e_fail "e2e_sim: the simulator is not running"
  local fd reply
  exec {fd}<>"/dev/tcp/127.0.0.1/$E2E_SIM_CONTROL" || e2e_fail "e2e_sim: cannot reach the simulator"
  printf '%s\n' "$*" >&$fd
  if ! IFS= read -r -t 90 -u $fd reply; then
    exec {fd}>&-
    e2e_fail "e2e_sim: no reply to '$*'"
  fi
  exec {fd}>&-
  case "$reply" in
    ok) ;;
    "ok "*) E2E_REPLY=${reply#ok } ;;
    *) e2e_fail "e2e_sim: '$*' gave '$reply'" ;;
  esac
}

e2e_sim_stop() {
  [ -n "$E2E_SIM_PID" ] || return 0
  _e2e_end_pid "$E2E_SIM_PID"
  E2E_SIM_PID= E2E_SIM_CONTROL=
  [ -n "$E2E_SIM_RUN" ] && rm -rf "$E2E_SIM_RUN"
  E2E_SIM_RUN=
  # Links it could not remove itself, only while they still point at its ptys.
  local link pts
  grep -o '"link": "[^"]*", "pts": "[^"]*"' "$E2E_DIR/sim.links" 2>/dev/null |
    sed 's/"link": "\([^"]*\)", "pts": "\([^"]*\)"/\1 \2/' |
    while read -r link pts; do
      [ "$(readlink "$link" 2>/dev/null)" = "$pts" ] && rm -f "$link"
    done
  return 0
}

# The rules file from stdin.
e2e_rules() { cat > "$E2E_DIR/rules.txt"; }

# Starts the watcher, then the program (copied into $E2E_APP, started there); returns once the
# watcher has found the program. Options before "--" go to the watcher.
e2e_start() {
  local wopts=() prog i
  while [ $# -gt 0 ] && [ "$1" != -- ]; do wopts+=("$1"); shift; done
  [ "${1:-}" = -- ] || e2e_fail "e2e_start: [WATCHER OPTIONS] -- PROGRAM ARGS..."
  shift
  prog=${1:?e2e_start needs a program}; shift
  cp "$prog" "$E2E_APP/" || e2e_fail "cannot copy $prog"
  local exe=$E2E_APP/$(basename "$prog")
  E2E_EXE=$exe
  [ -f "$E2E_DIR/rules.txt" ] && wopts=(--rules "$(e2e_winpath "$E2E_DIR/rules.txt")" "${wopts[@]}")
  rm -f "$E2E_DIR/quit"
  # A later start in the same run: the files of the earlier one get its number.
  E2E_STARTS=$((E2E_STARTS + 1))
  if [ $E2E_STARTS -gt 1 ]; then
    for f in watcher.log watcher.out watcher.err program.out program.err; do
      [ -e "$E2E_DIR/$f" ] && mv "$E2E_DIR/$f" "$E2E_DIR/${f%.*}.$((E2E_STARTS - 1)).${f##*.}"
    done
  fi
  wine "$E2E_WATCHER" --log "$(e2e_winpath "$E2E_DIR/watcher.log")" --quit-file "$(e2e_winpath "$E2E_DIR/quit")" \
    --attach "$(e2e_winpath "$exe")" --timeout 900 --close-on-quit 20000 "${wopts[@]}" > "$E2E_DIR/watcher.out" 2> "$E2E_DIR/watcher.err" &
  E2E_WATCHER_PID=$!
  e2e_wait_line "$E2E_DIR/watcher.log" '"ev":"start"' 30 || e2e_fail "the watcher did not start"
  (cd "$E2E_APP" && exec wine "$exe" "$@") > "$E2E_DIR/program.out" 2> "$E2E_DIR/program.err" &
  E2E_PROGRAM_PID=$!
  e2e_wait_line "$E2E_DIR/watcher.log" '"ev":"(attached|error)"' 40 && grep -q '"ev":"attached"' "$E2E_DIR/watcher.log" ||
    e2e_fail "the watcher did not find the program"
}

e2e_run() {
  local seconds=${1:?e2e_run SECONDS [WATCHER OPTIONS] -- ARGS...} wopts=() args=() a
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do wopts+=("$1"); shift; done
  [ "${1:-}" = -- ] && shift
  [ -n "$E2E_EXE" ] || e2e_fail "e2e_run: no program yet (e2e_start copies it)"
  for a in "$@"; do args+=("$a"); done
  E2E_RUNS=$((E2E_RUNS + 1))
  local log=$E2E_DIR/watcher-run$E2E_RUNS.log
  [ -f "$E2E_DIR/rules.txt" ] && wopts=(--rules "$(e2e_winpath "$E2E_DIR/rules.txt")" "${wopts[@]}")
  # The watcher's own bound ends it (and the program) before timeout's would.
  (cd "$E2E_APP" && exec timeout -k 5 $((seconds + 15)) wine "$E2E_WATCHER" --log "$(e2e_winpath "$log")" \
    --timeout "$seconds" --close-on-quit 5000 "${wopts[@]}" -- "$(e2e_winpath "$E2E_EXE")" "${args[@]}") \
    > "$E2E_DIR/run$E2E_RUNS.out" 2> "$E2E_DIR/run$E2E_RUNS.err"
  local status=$?
  [ $status = 0 ] || e2e_fail "e2e_run: the watcher ended with $status (see run$E2E_RUNS.err)"
  E2E_RUN_STATUS=$(sed -n 's/.*"ev":"end".*"exit_code":\([0-9]*\).*/\1/p' "$log")
  [ -n "$E2E_RUN_STATUS" ] || e2e_fail "e2e_run: the program's end is not in $log"
}

# Waits until a line of FILE matches REGEX (grep -E), at most SECONDS (default 30); gives up
# 3 s after the program has ended.
e2e_wait_line() {
  local file=$1 regex=$2 seconds=${3:-30} i grace=30
  for i in $(seq 1 $((seconds * 10))); do
    grep -Eq -- "$regex" "$file" 2>/dev/null && return 0
    if [ -n "$E2E_PROGRAM_PID" ] && ! kill -0 "$E2E_PROGRAM_PID" 2>/dev/null; then
      grace=$((grace - 1))
      [ $grace -gt 0 ] || { e2e_log "no line /$regex/ in $file: the program has ended"; return 1; }
    fi
    sleep 0.1
  done
  grep -Eq -- "$regex" "$file" 2>/dev/null && return 0
  e2e_log "no line /$regex/ in $file within ${seconds}s"
  return 1
}

# Waits for the program to end by itself; its status is in E2E_PROGRAM_STATUS.
e2e_wait_exit() {
  local seconds=${1:-30} i
  for i in $(seq 1 $((seconds * 10))); do
    kill -0 "$E2E_PROGRAM_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$E2E_PROGRAM_PID" 2>/dev/null && { e2e_log "the program did not end within ${seconds}s"; return 1; }
  wait "$E2E_PROGRAM_PID"
  E2E_PROGRAM_STATUS=$?
  E2E_PROGRAM_PID=
  _e2e_wait_watcher 20
}

_e2e_wait_watcher() {
  local seconds=$1 i
  [ -n "$E2E_WATCHER_PID" ] || return 0
  for i in $(seq 1 $((seconds * 10))); do
    kill -0 "$E2E_WATCHER_PID" 2>/dev/null || break
    sleep 0.1
  done
  _e2e_end_pid "$E2E_WATCHER_PID"
  E2E_WATCHER_PID=
}

e2e_screenshot() {
  timeout -k 5 30 import -display "$DISPLAY" -window root "$1" 2> "$E2E_DIR/screenshot.err" ||
    e2e_fail "no screenshot: $(cat "$E2E_DIR/screenshot.err")"
}

e2e_collect() {
  mkdir -p "$1" && cp -r "$E2E_DIR"/. "$1"/ || e2e_fail "cannot copy the run's files to $1"
}

# Asks the watcher to end (it closes the program first), then ends what is left of the program
# and the simulator. SECONDS bounds the wait for the watcher (default 40).
e2e_stop() {
  local seconds=${1:-40} i
  : > "$E2E_DIR/quit"
  _e2e_wait_watcher "$seconds"
  if [ -n "$E2E_PROGRAM_PID" ]; then
    for i in $(seq 1 50); do
      kill -0 "$E2E_PROGRAM_PID" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$E2E_PROGRAM_PID" 2>/dev/null; then
      e2e_log "the program was still running: killed"
      _e2e_end_pid "$E2E_PROGRAM_PID"
    else
      wait "$E2E_PROGRAM_PID"
      E2E_PROGRAM_STATUS=$?
    fi
    E2E_PROGRAM_PID=
  fi
  e2e_sim_stop
}

# Fails when the watcher had to answer a box no rule was written for, or a rule got stuck.
e2e_no_default_presses() {
  if grep -Eq '"ev":"(default|stuck)"' "$E2E_DIR/watcher.log"; then
    grep -E '"ev":"(default|stuck)"' "$E2E_DIR/watcher.log" >&2
    e2e_fail "the watcher met boxes that no rule answered"
  fi
}

e2e_stop_ok() {
  e2e_stop "$@"
  [ "$E2E_PROGRAM_STATUS" = 0 ] || e2e_fail "the program ended with $E2E_PROGRAM_STATUS"
  e2e_no_default_presses
}

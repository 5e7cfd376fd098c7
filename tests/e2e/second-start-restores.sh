#!/usr/bin/env bash
# second-start-restores.sh WATCHER.exe PROGRAM.exe SIMULATOR: the program started with STARTUP
# (and StartUp=1 in qdx.ini) sits minimised in the tray, its main window hidden; a second start
# brings that window back and ends at once, leaving one program running.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin second-start-restores "$@"

armed_setup
sed -i 's/^\[Params\]\r$/[Params]\r\nStartUp=1\r/' "$E2E_APP/qdx.ini"
grep -q '^StartUp=1' "$E2E_APP/qdx.ini" || e2e_fail "qdx.ini: $(cat "$E2E_APP/qdx.ini")"
e2e_sim_start com3:generic
armed_rules < /dev/null
e2e_start -- "$E2E_PROGRAM" STARTUP
armed_wait_init 1
wlog=$E2E_DIR/watcher.log
# Shown for a moment on the way to the tray, or not at all: either way hidden soon.
hidden() {
  last=$(grep '"class":"TfmQdx"' "$wlog" | tail -1)
  case "$last" in ""|*'"ev":"gone"'*) return 0 ;; esac
  return 1
}
for i in $(seq 1 200); do hidden && break; sleep 0.1; done
hidden || e2e_fail "the main window is up after STARTUP: $last"
before=$(grep -c '"ev":"seen".*"class":"TfmQdx"' "$wlog")

e2e_run 60 --
[ "$E2E_RUN_STATUS" = 0 ] || e2e_fail "the second start ended with $E2E_RUN_STATUS"
grep -q '"class":"TfmQdx"' "$E2E_DIR/watcher-run1.log" && e2e_fail "the second start made a main window of its own"
for i in $(seq 1 200); do
  [ "$(grep -c '"ev":"seen".*"class":"TfmQdx"' "$wlog")" -gt "$before" ] && break
  sleep 0.1
done
[ "$(grep -c '"ev":"seen".*"class":"TfmQdx"' "$wlog")" -gt "$before" ] || e2e_fail "the first window was not restored"
kill -0 "$E2E_PROGRAM_PID" 2>/dev/null || e2e_fail "the first program has ended"
e2e_screenshot "$E2E_DIR/restored.png"
e2e_stop_ok
e2e_log "ok: restored by the second start"
exit 0

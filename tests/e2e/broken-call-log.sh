#!/usr/bin/env bash
# broken-call-log.sh WATCHER.exe PROGRAM.exe SIMULATOR: Recordings.d cannot be read and has no
# backup. The program says so, keeps the file as it is and does not answer calls into recordings
# it could not file: automatic mode is off, a call that rings and is answered is not recorded.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin broken-call-log "$@"

armed_setup AutoRecord=1
printf 'not a table\r\n' > "$E2E_APP/Recordings.d" || e2e_fail "cannot write Recordings.d"
cp "$E2E_APP/Recordings.d" "$E2E_DIR/Recordings.before"
e2e_sim_start com3:generic
armed_rules <<'RULES'
text~="nor its backup" press=OK
RULES
e2e_start -- "$E2E_PROGRAM"
armed_wait_init 1
e2e_wait_line "$E2E_DIR/watcher.log" '"ev":"seen".*nor its backup' 30 || e2e_fail "the broken call log was not reported"

e2e_sim "stream com3 speech synth 4s"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550199"
armed_wait_events '"ev":"ring_end"' 1 60 || e2e_fail "the rings did not end"
sleep 6  # the ring span, then the time an answered call would take to start
e2e_stop_ok

[ "$(sim_rx com3 'at\+fclass=8')" = 0 ] || e2e_fail "the call was put in voice mode"
[ "$(armed_recordings)" = 0 ] || e2e_fail "a recording was made: $(ls "$E2E_APP/wav/")"
cmp -s "$E2E_DIR/Recordings.before" "$E2E_APP/Recordings.d" || e2e_fail "Recordings.d was changed"
ls "$E2E_APP" | grep -q '\.bad$' && e2e_fail "a file was moved aside: $(ls "$E2E_APP")"
events=$E2E_APP/Events.log
# Told while the main window was made, before the events monitor existed.
grep -q 'Can not open Recordings\.d: ' "$events" || e2e_fail "the failed open is not in Events.log: $(cat "$events")"
grep -q 'Disabling autoRecord mode' "$events" || e2e_fail "automatic mode stayed on: $(cat "$events")"
grep -q -- '-- Recording refused' "$events" && e2e_fail "an answered call was refused only at its start: $(cat "$events")"
e2e_log "ok: the broken call log is kept, no call is answered into a recording"
exit 0

#!/usr/bin/env bash
# broken-call-log.sh WATCHER.exe PROGRAM.exe SIMULATOR: Recordings.d cannot be read and has no
# backup. The program says so, keeps the file byte for byte as Recordings.bad, makes a new call
# table, and goes on answering: a call that rings is recorded and filed in it.
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
text~="Can not open Recordings.d" press=OK
RULES
e2e_start -- "$E2E_PROGRAM"
armed_wait_init 1
e2e_wait_line "$E2E_DIR/watcher.log" '"ev":"seen".*Can not open Recordings' 30 || e2e_fail "the broken call log was not reported"

e2e_sim "stream com3 speech synth 4s"
e2e_sim "stream com3 busy forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550199"
armed_wait_wavs 1
armed_wait_init 2  # re-armed: the call is filed
e2e_stop_ok

cmp -s "$E2E_DIR/Recordings.before" "$E2E_APP/Recordings.bad" || e2e_fail "Recordings.d is not kept: $(ls "$E2E_APP")"
armed_check_row "$ARMED_WAVS"
events=$E2E_APP/Events.log
# Told while the main window was made, before the events monitor existed.
grep -q 'Can not open Recordings\.d: ' "$events" || e2e_fail "the failed open is not in Events.log: $(cat "$events")"
grep -q 'Recordings\.d kept as Recordings\.bad' "$events" || e2e_fail "the kept file is not in Events.log: $(cat "$events")"
e2e_log "ok: the broken call log is kept, a new one made, and the call filed in it"
exit 0

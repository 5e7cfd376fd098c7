#!/usr/bin/env bash
# blocked-backup.sh WATCHER.exe PROGRAM.exe SIMULATOR: the name Recordings.~d is taken by a
# folder, so the backup of the call log cannot be written. A recorded call is still filed, and
# the failed backup is told to the events monitor (its lines are Events.log at the end).
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin blocked-backup "$@"

armed_setup
mkdir "$E2E_APP/Recordings.~d" || e2e_fail "cannot make the folder Recordings.~d"
e2e_sim_start com3:generic
armed_rules < /dev/null
e2e_start -- "$E2E_PROGRAM"
armed_wait_init 1
e2e_sim "stream com3 speech synth 4s"
e2e_sim "stream com3 busy forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550100"
armed_wait_wavs 1
armed_wait_init 2  # re-armed: the call is filed
e2e_stop_ok

armed_check_row "$ARMED_WAVS"
[ -d "$E2E_APP/Recordings.~d" ] || e2e_fail "the folder Recordings.~d is gone"
ls "$E2E_APP" | grep -q '\.tmp$' && e2e_fail "a temporary file is left: $(ls "$E2E_APP")"
events=$E2E_APP/Events.log
grep -q 'Backup of .*Recordings\.d not made: ' "$events" || e2e_fail "the failed backup was not told: $(cat "$events")"
e2e_log "ok: the call is filed and the failed backup is in Events.log"
exit 0

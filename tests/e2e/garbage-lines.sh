#!/usr/bin/env bash
# garbage-lines.sh WATCHER.exe PROGRAM.exe SIMULATOR: the armed program, idle in auto mode,
# gets junk lines ("XXRINGXX", "SOMEOK") and 64 KB without a line end; neither is taken for a
# ring or starts a recording. The call that follows, with the caller's NAME = BROOKS in its
# caller ID, is recorded with the right number (and without the name).
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin garbage-lines "$@"

armed_start < /dev/null
slog=$E2E_DIR/sim.log
e2e_sim 'send com3 \r\nXXRINGXX\r\n'
e2e_sim 'send com3 \r\nSOMEOK\r\n'
e2e_sim "garbage com3 longline 65536"
# A junk line taken for a ring would be "answered" RingTimeOut (2.6 s) later.
sleep 5
grep -q '"ev":"rx".*"line":"at+fclass=8"' "$slog" && e2e_fail "the junk started a recording"
kill -0 "$E2E_PROGRAM_PID" 2>/dev/null || e2e_fail "the program ended on the junk"

e2e_sim "stream com3 speech synth 4s"
e2e_sim "stream com3 busy forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550105 cid.name=BROOKS"
armed_wait_wavs 1 60
wav=$ARMED_WAVS
armed_wait_init 2
e2e_stop_ok

rings=$(tr -d '\r' < "$E2E_APP/Events.log" | grep -cx ring)
[ "$rings" = 3 ] || e2e_fail "$rings rings in Events.log, not the call's 3"
[ "$(grep -c '"ev":"rx".*"line":"at+vrx"' "$slog")" = 1 ] || e2e_fail "not one voice receive"
# The only recording start came after the call's first RING.
first_ring=$(grep -n '"ev":"ring"' "$slog" | head -1 | cut -d: -f1)
first_voice=$(grep -n '"ev":"rx".*"line":"at+fclass=8"' "$slog" | head -1 | cut -d: -f1)
[ -n "$first_ring" ] && [ -n "$first_voice" ] && [ "$first_voice" -gt "$first_ring" ] ||
  e2e_fail "voice mode at line ${first_voice:-none} of sim.log, the first ring at ${first_ring:-none}"
seconds=$(sox --i -D "$E2E_APP/wav/$wav") || e2e_fail "sox cannot read $wav"
python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) >= 4 else 1)" "$seconds" || e2e_fail "$wav lasts $seconds s"
armed_check_row "$wav"
grep -aq 5550105 "$E2E_APP/Recordings.d" || e2e_fail "the caller number is not in Recordings.d"
grep -aq BROOKS "$E2E_APP/Recordings.d" && e2e_fail "the caller's name is in Recordings.d"
e2e_log "ok: $wav, $seconds s"
exit 0

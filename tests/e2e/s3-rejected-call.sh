#!/usr/bin/env bash
# s3-rejected-call.sh WATCHER.exe PROGRAM.exe SIMULATOR: calls are rejected at the third ring
# (RejectCall=1, RejectRings=3). A call that rings four times is let go: the modem is never put in
# voice mode and nothing is filed; once the ring span has passed the program waits for calls
# again. A call answered after two rings is recorded and ends at the dial tone.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin s3-rejected-call "$@"
armed_setup AutoRecord=1 DiscTime=10 RejectCall=1 RejectRings=3

e2e_sim_start com3:generic
armed_rules < /dev/null
e2e_start -- "$E2E_PROGRAM"
slog=$E2E_DIR/sim.log
e2e_wait_line "$slog" '"ev":"rx".*"line":"at\+vcid=1"' 60 || e2e_fail "the modem was not armed"
sleep 1
cp "$E2E_APP/Recordings.d" "$E2E_DIR/Recordings.before" 2>/dev/null

# Four rings 2 s apart, then the caller gives up.
e2e_sim "ring com3 cadence=fast count=4 cid=between cid.nmbr=5550177"
e2e_wait_line "$slog" '"ev":"ring_end"' 60 || e2e_fail "the rings did not end"
# The program's ring span (RingTimeOut 2.6 s after the last ring) has to pass before the next call.
sleep 8
[ "$(sim_rx com3 'at\+fclass=8')" = 0 ] || e2e_fail "the rejected call was put in voice mode"
[ "$(sim_rx com3 'at\+vrx')" = 0 ] || e2e_fail "the rejected call was recorded"
[ "$(armed_recordings)" = 0 ] || e2e_fail "the rejected call left a file: $(ls "$E2E_APP/wav/")"
if [ -f "$E2E_DIR/Recordings.before" ]; then
  cmp -s "$E2E_DIR/Recordings.before" "$E2E_APP/Recordings.d" || e2e_fail "Recordings.d changed for the rejected call"
fi

# Two rings: answered by the phone beside the modem, speech, then the dial tone.
e2e_sim "stream com3 speech synth 4s"
e2e_sim "stream com3 dial forever"
e2e_sim "ring com3 cadence=fast count=2 cid=between cid.nmbr=5550188"
e2e_wait_line "$slog" '"ev":"rx".*"line":"at\+vrx"' 60 || e2e_fail "the two-ring call was not recorded"
armed_wait_wavs 1 60
armed_wait_init 2 30
e2e_stop_ok

events=$E2E_APP/Events.log
[ "$(grep -c 'Call recording rejected\.\.\.' "$events")" = 1 ] || e2e_fail "Events.log: $(cat "$events")"
[ "$(grep -c 'Calling party hung up' "$events")" = 1 ] || e2e_fail "no single 'Calling party hung up': $(cat "$events")"
[ "$(grep -c -- '-- Recording started' "$events")" = 1 ] || e2e_fail "not one recording started: $(cat "$events")"
# The rejection came at the third ring of the first call, the hang-up after its fourth.
awk '/Call recording rejected/ { r = NR } /Calling party hung up/ { h = NR } /-- Recording started/ { s = NR }
  END { exit !(r && h && s && r < h && h < s) }' "$events" || e2e_fail "Events.log out of order: $(cat "$events")"
[ "$(armed_recordings)" = 1 ] || e2e_fail "wav: $(ls "$E2E_APP/wav/")"
file=$E2E_APP/wav/$ARMED_WAVS
seconds=$(sox --i -D "$file" | cut -d. -f1) || e2e_fail "sox cannot read $ARMED_WAVS"
[ "$seconds" -ge 4 ] && [ "$seconds" -le 10 ] || e2e_fail "$ARMED_WAVS lasts $seconds s"
grep -aq 5550188 "$E2E_APP/Recordings.d" || e2e_fail "the second caller is not in Recordings.d"
grep -aq 5550177 "$E2E_APP/Recordings.d" && e2e_fail "the rejected caller is in Recordings.d"
e2e_log "ok: rejected at the third ring; $ARMED_WAVS, $seconds s"
exit 0

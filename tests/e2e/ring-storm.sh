#!/usr/bin/env bash
# ring-storm.sh WATCHER.exe PROGRAM.exe SIMULATOR: calls are rejected at the sixth ring
# (RejectCall=1, RejectRings=6). During the three rings of a real call the modem sends 300 more
# "RING" lines, 20 ms apart: they are one ring for counting, so the call is not rejected and is
# recorded, once, with its caller's number.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin ring-storm "$@"

armed_start AutoRecord=1 DiscTime=10 RejectCall=1 RejectRings=6 < /dev/null
slog=$E2E_DIR/sim.log
e2e_sim "stream com3 speech synth 4s"
e2e_sim "stream com3 busy forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550142"
e2e_wait_line "$slog" '"ev":"ring","n":1' 30 || e2e_fail "no first ring"
storm=$(printf ' \\r\\nRING\\r\\n%.0s' $(seq 300))
e2e_sim "send com3 gap=20$storm"
armed_wait_wavs 1 90
wav=$ARMED_WAVS
armed_wait_init 2
e2e_stop_ok

events=$E2E_APP/Events.log
grep -q 'Call recording rejected' "$events" && e2e_fail "the storm's rings rejected the call: $(cat "$events")"
rings=$(tr -d '\r' < "$events" | grep -cx ring)
[ "$rings" -lt 6 ] || e2e_fail "$rings rings counted for a call of 3 and a storm"
[ "$(grep -c '"ev":"rx".*"line":"at+vrx"' "$slog")" = 1 ] || e2e_fail "not one voice receive"
seconds=$(sox --i -D "$E2E_APP/wav/$wav") || e2e_fail "sox cannot read $wav"
python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) >= 4 else 1)" "$seconds" || e2e_fail "$wav lasts $seconds s"
armed_check_row "$wav"
grep -aq 5550142 "$E2E_APP/Recordings.d" || e2e_fail "the caller number is not in Recordings.d"
e2e_log "ok: $wav, $seconds s, $rings rings counted"
exit 0

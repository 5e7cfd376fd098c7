#!/usr/bin/env bash
# modem-ends-receive.sh WATCHER.exe PROGRAM.exe SIMULATOR: a call answered by the telephone
# beside the modem; after 3 s of speech the modem ends the receive on its own (<DLE>l <DLE><ETX>
# NO CARRIER, on-hook). The program stops at once, without waiting for its no-data watch: the
# port is closed soon after the end, the call is filed, with every sample sent, and the modem
# armed again.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin modem-ends-receive "$@"

armed_setup
e2e_sim_start com3:generic
armed_rules < /dev/null
e2e_start -- "$E2E_PROGRAM"
armed_wait_init 1
e2e_sim "stream com3 speech synth forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550106"
armed_wait_vrx 1
armed_wait_samples 24000
e2e_sim "end-stream com3 event=l result=nocarrier hook=on"
armed_wait_wavs 1 30
wav=$ARMED_WAVS
armed_wait_init 2

# By the simulator's clock: the stop closed the port well before the no-data watch (5 s) could.
slog=$E2E_DIR/sim.log
t_end=$(grep '"ev":"vrx_end"' "$slog" | head -1 | sed -n 's/.*"t":\([0-9.]*\).*/\1/p')
t_close=$(sed -n '/"ev":"vrx_end"/,$p' "$slog" | grep '"ev":"close"' | head -1 | sed -n 's/.*"t":\([0-9.]*\).*/\1/p')
[ -n "$t_end" ] && [ -n "$t_close" ] || e2e_fail "no end of the stream or no close in sim.log"
grep '"ev":"vrx_end"' "$slog" | head -1 | grep -q dce_end || e2e_fail "the stream ended otherwise: $(grep '"ev":"vrx_end"' "$slog")"
python3 -c "import sys; d=float(sys.argv[2])-float(sys.argv[1]); print('closed %.2f s after the end' % d); sys.exit(0 if 0 <= d <= 3 else 1)" \
  "$t_end" "$t_close" >&2 || e2e_fail "the port was not closed within 3 s of the modem's end ($t_end, $t_close)"

e2e_stop_ok

file=$E2E_APP/wav/$wav
[ "$(sox --i -r "$file")" = 8000 ] || e2e_fail "$wav: not 8000 Hz"
seconds=$(sox --i -D "$file") || e2e_fail "sox cannot read $wav"
python3 -c "import sys; sys.exit(0 if 2.5 <= float(sys.argv[1]) <= 5 else 1)" "$seconds" ||
  e2e_fail "$wav lasts $seconds s, not about 3"
# Every sample sent before the end is in the file, the last partly filled block too.
sent=$(grep '"ev":"vrx_end"' "$slog" | head -1 | sed -n 's/.*"samples":\([0-9]*\).*/\1/p')
[ "$(sox --i -s "$file")" = "$sent" ] || e2e_fail "$wav holds $(sox --i -s "$file") samples, the modem sent $sent"
armed_check_row "$wav"
grep -aq 5550106 "$E2E_APP/Recordings.d" || e2e_fail "the caller number is not in Recordings.d"
grep -q -- '-- Recording stopped' "$E2E_APP/Events.log" || e2e_fail "no stop in Events.log"
[ -f "$E2E_APP/wav/Recorded.wav" ] && e2e_fail "the working file is left"
e2e_log "ok: $wav, $seconds s"
exit 0

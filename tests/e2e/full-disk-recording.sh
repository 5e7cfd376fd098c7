#!/usr/bin/env bash
# full-disk-recording.sh WATCHER.exe PROGRAM.exe SIMULATOR [before]: the program's wav folder is
# a small tmpfs.
#   (default)  512 KB, room for a minute of 8000 Hz 8-bit audio and a little more; a call (its
#              voice sent 8 times faster) runs until the disk is full. The user is told how much
#              was saved, the recording is filed as far as it went, and the modem is armed again.
#   before     32 KB, less than a minute: the call is not taken (the line never goes off-hook),
#              the events log says why, and the modem is armed again.
# Skipped (with the reason) where a tmpfs cannot be mounted.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin full-disk-recording "$@"

wavdir=$E2E_APP/wav
mounted=
size=512k
[ "$E2E_VARIANT" = before ] && size=32k
mkdir -p "$wavdir" || e2e_fail "cannot make $wavdir"
if ! mount -t tmpfs -o size=$size,mode=0777 vl-e2e-full "$wavdir" 2> "$E2E_DIR/mount.err"; then
  e2e_log "SKIPPED: a tmpfs cannot be mounted here: $(cat "$E2E_DIR/mount.err")"
  exit 0
fi
mounted=1
# The folder is let go only after the program that writes into it has ended; its files are kept
# beside it when the run failed.
full_disk_exit() {
  local status=$?
  _e2e_end_pid "$E2E_WATCHER_PID"; E2E_WATCHER_PID=
  _e2e_end_pid "$E2E_PROGRAM_PID"; E2E_PROGRAM_PID=
  if [ -n "$mounted" ]; then
    if [ $status != 0 ]; then
      mkdir -p "$E2E_DIR/wav.kept" && cp -a "$wavdir"/. "$E2E_DIR/wav.kept/"
    fi
    umount "$wavdir" 2>/dev/null || { sleep 2; umount "$wavdir"; } || umount -l "$wavdir"
  fi
  (exit $status)
  _e2e_exit
}
trap full_disk_exit EXIT

armed_setup
e2e_sim_start com3:generic
armed_rules <<'EOF2'
text~="The disk is full" press=OK
EOF2
e2e_start -- "$E2E_PROGRAM"
armed_wait_init 1

if [ "$E2E_VARIANT" = before ]; then
  e2e_sim "stream com3 speech synth forever"
  e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550108"
  # Refused at the start of the record action, then armed again.
  armed_wait_init 2
  e2e_stop_ok
  events=$E2E_DIR/events.txt
  tr -d '\r' < "$E2E_APP/Events.log" > "$events" || e2e_fail "no Events.log"
  grep -q -- '-- Recording started' "$events" || e2e_fail "no record action: $(cat "$events")"
  grep -q -- '^-- The disk is full: the wav folder has room for less than a minute of recording (.* KB free); the call was not taken\.$' "$events" ||
    e2e_fail "the refusal is not in Events.log: $(tail -n 20 "$events")"
  for command in 'at\+vls=1' 'at\+vrx'; do
    [ "$(sim_rx com3 "$command")" = 0 ] || e2e_fail "$command was sent"
  done
  grep -q '"hook".*off' "$E2E_DIR/sim.log" && e2e_fail "the line went off-hook"
  [ "$(armed_recordings)" = 0 ] || e2e_fail "wav holds: $(armed_list_wavs)"
  [ -f "$wavdir/Recorded.wav" ] && e2e_fail "the working file is left"
  e2e_no_default_presses
  e2e_log "ok: the call was not taken on a full disk"
  exit 0
fi

e2e_sim "set com3 speed=8"
e2e_sim "stream com3 speech synth forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550107"
armed_wait_vrx 1
e2e_wait_line "$E2E_DIR/watcher.log" 'The disk is full: the recording was stopped; its first 6[0-9] s were saved\.' 60 ||
  e2e_fail "the full disk was not reported"
armed_wait_wavs 1 30
wav=$ARMED_WAVS
armed_wait_init 2
e2e_stop_ok

[ -f "$wavdir/Recorded.wav" ] && e2e_fail "the working file is left"
file=$wavdir/$wav
bytes=$(stat -c %s "$file")
data=$(python3 -c '
import sys, wave
w = wave.open(sys.argv[1]); print(w.getnframes() * w.getsampwidth() * w.getnchannels())' "$file") ||
  e2e_fail "$wav is not a readable WAV"
# Most of the 512 KB holds audio, and the header says how much.
[ "$data" -ge 480000 ] && [ "$data" -le "$bytes" ] || e2e_fail "$wav: $data bytes of audio in $bytes"
armed_check_row "$wav"
grep -aq 5550107 "$E2E_APP/Recordings.d" || e2e_fail "the caller number is not in Recordings.d"
# The row's duration counts what was written: a minute and a little more, never the call's length.
grep -aPq '(?<![0-9:])01:0[0-9](?![0-9:])' "$E2E_APP/Recordings.d" || e2e_fail "no duration of 60-69 s in Recordings.d"
e2e_log "ok: $wav, $data bytes of audio in $bytes"
exit 0

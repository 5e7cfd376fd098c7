#!/usr/bin/env bash
# damaged-tables.sh WATCHER.exe PROGRAM.exe SIMULATOR: three calls are filed, then the program is
# started over damaged copies of its folder, one case a start: Folders.d's byte 20 flipped with a
# good Folders.~d and a working file whose block alignment is 0xFFFF; Recordings.d's byte 60
# flipped (DateS) with its backup, and its byte 100 (Comment) without; everything at once
# (Recordings.d and its backup garbage, Folders.d cut without backup, Tree.ini garbage). Each
# start reaches the main window and the armed modem, does not crash, names the files in
# Events.log, and every call keeps its row and every audio byte.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin damaged-tables "$@"

numbers="5550401 5550402 5550403"
armed_start < /dev/null
n=0
for number in $numbers; do
  n=$((n + 1))
  e2e_sim "stream com3 speech synth 2s"
  e2e_sim "stream com3 busy forever"
  e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=$number"
  armed_wait_wavs $n 60
  armed_wait_init $((n + 1))
done
e2e_stop_ok
[ "$(armed_rows | grep -c .)" = 3 ] || e2e_fail "three calls were not filed: $(armed_rows)"
pristine=$E2E_DIR/pristine
mkdir -p "$pristine" && cp -r "$E2E_APP"/. "$pristine"/ || e2e_fail "cannot keep the folder"
rm -f "$pristine/Events.log"

# flip FILE OFFSET: one bit of one byte. garble FILE: 300 bytes of nothing. cut FILE SIZE.
flip() {
  python3 -c 'import sys;p,o=sys.argv[1],int(sys.argv[2]);b=bytearray(open(p,"rb").read());b[o]^=1;open(p,"wb").write(b)' \
    "$E2E_APP/$1" "$2" || e2e_fail "cannot flip $1"
}
garble() { python3 -c 'import sys;open(sys.argv[1],"wb").write(bytes([0xA5])*300)' "$E2E_APP/$1" || e2e_fail "cannot garble $1"; }
cut() { truncate -s "$2" "$E2E_APP/$1" || e2e_fail "cannot cut $1"; }

# A working file of 49 KB of audio whose header's block alignment is 0xFFFF.
bad_working_file() {
  python3 -c '
import struct, sys
audio = bytes(i & 0xFF for i in range(49000))
fmt = struct.pack("<HHIIHH", 1, 1, 8000, 8000, 0xFFFF, 8)
open(sys.argv[1], "wb").write(b"RIFF" + bytes(4) + b"WAVEfmt " + struct.pack("<I", 16) + fmt + b"data" + bytes(4) + audio)
' "$E2E_APP/wav/Recorded.wav" || e2e_fail "cannot write Recorded.wav"
  cp "$E2E_APP/wav/Recorded.wav" "$E2E_DIR/Recorded.before"
}

# start CASE FILE...: the program over the damaged folder; FILE... must be named in Events.log.
# Every damaged file given must be kept byte for byte as a .bad file.
start() {
  local case=$1 f
  shift
  e2e_log "case: $case"
  e2e_sim_start com3:generic
  armed_rules <<'RULES'
text~="Can not open" press=OK
RULES
  e2e_start -- "$E2E_PROGRAM"
  e2e_wait_line "$E2E_DIR/watcher.log" '"ev":"seen".*"class":"TfmQdx"' 60 || e2e_fail "$case: no main window"
  armed_wait_init 1
  e2e_stop_ok
  grep -q '"ev":"crash"' "$E2E_DIR/watcher.log" && e2e_fail "$case: the program crashed"
  for f in "$@"; do
    grep -qF "$f" "$E2E_APP/Events.log" || e2e_fail "$case: $f is not named in Events.log: $(cat "$E2E_APP/Events.log")"
  done
}

# kept_as_bad CASE FILE: the damaged bytes of FILE (as saved in $E2E_DIR/FILE.damaged) are a .bad file.
kept_as_bad() {
  local bad
  for bad in "$E2E_APP"/*.bad "$E2E_APP"/wav/*.bad; do
    [ -f "$bad" ] && cmp -s "$bad" "$E2E_DIR/$2.damaged" && return 0
  done
  e2e_fail "$1: the damaged $2 is not kept: $(ls "$E2E_APP" "$E2E_APP/wav")"
}
damaged() { cp "$E2E_APP/$1" "$E2E_DIR/$(basename "$1").damaged"; }

# every_call CASE KEPT: each recording is there as filed and named by one row; the first KEPT
# callers' numbers are still in their rows.
every_call() {
  local case=$1 kept=$2 wav rows i=0 number
  rows=$(armed_rows) || exit 1
  [ "$(printf '%s\n' "$rows" | grep -c .)" = 3 ] || e2e_fail "$case: not three rows: $rows"
  for wav in $(cd "$pristine/wav" && ls); do
    cmp -s "$pristine/wav/$wav" "$E2E_APP/wav/$wav" || e2e_fail "$case: $wav is not as filed"
    armed_check_row "$wav"
  done
  for number in $numbers; do
    i=$((i + 1))
    [ $i -le "$kept" ] || break
    printf '%s\n' "$rows" | grep -q "$number" || e2e_fail "$case: the caller $number is lost: $rows"
  done
}

restore() {
  rm -rf "$E2E_APP" && mkdir -p "$E2E_APP" && cp -r "$pristine"/. "$E2E_APP"/ || e2e_fail "cannot restore the folder"
}

restore
flip Folders.d 20
damaged Folders.d
bad_working_file
start "Folders.d byte 20, good Folders.~d; a working file aligned 0xFFFF" Folders.d Recorded.wav
kept_as_bad "Folders.d byte 20" Folders.d
cmp -s "$E2E_APP/wav/Recorded.bad" "$E2E_DIR/Recorded.before" || e2e_fail "the working file is not kept: $(ls "$E2E_APP/wav")"
# Its one record is whole but for the name: mended, and the backup is not needed.
grep -q 'Folders.d made again with 1 row, all it held' "$E2E_APP/Events.log" ||
  e2e_fail "Folders.d not mended: $(cat "$E2E_APP/Events.log")"
every_call "Folders.d byte 20" 3

restore
flip Recordings.d 60
damaged Recordings.d
start "Recordings.d byte 60 (DateS), good backup" Recordings.d
kept_as_bad "Recordings.d byte 60" Recordings.d
every_call "Recordings.d byte 60" 3

restore
flip Recordings.d 100
damaged Recordings.d
rm -f "$E2E_APP/Recordings.~d"
start "Recordings.d byte 100 (Comment), no backup" Recordings.d
kept_as_bad "Recordings.d byte 100" Recordings.d
every_call "Recordings.d byte 100" 3

restore
garble Recordings.d
garble Recordings.~d
damaged Recordings.d
cut Folders.d 40
damaged Folders.d
rm -f "$E2E_APP/Folders.~d"
garble Tree.ini
start "Recordings.d and its backup garbage, Folders.d cut, no backup, Tree.ini garbage" Recordings.d Folders.d Tree.ini
kept_as_bad "Recordings.d garbage" Recordings.d
kept_as_bad "Folders.d cut" Folders.d
every_call "all at once" 0

e2e_log "ok: every damaged start reached the main window and kept every call"
exit 0

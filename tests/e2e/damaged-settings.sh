#!/usr/bin/env bash
# damaged-settings.sh WATCHER.exe PROGRAM.exe SIMULATOR VARIANT: a program folder set up for the
# simulator's modem on COM3, then qdx.ini damaged, then a start and a call with caller ID. The
# call is recorded whatever the damage:
#   empty, truncated (cut in the middle of a line), garbage (bytes that are no text): the file is
#   kept as qdx.bad, the events log and a box say so before the modem search, which then runs as
#   on a first start (the wizard) and stores a new qdx.ini
#   modemformat (channels 0), modemrate (an absurd rate), fileformat (an unknown format tag): a
#   format block that reads but cannot be recorded with; the events log says so at the start and
#   the format is chosen again (the modem's from its compression, the file's the default)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin damaged-settings "$@"
variant=${E2E_VARIANT:-empty}
ini=$E2E_APP/qdx.ini

armed_setup
# A 128-byte format block: PCM 8000 Hz mono 8-bit with one field changed.
block() {
  python3 -c '
import struct, sys
tag, channels, rate = (int(v) for v in sys.argv[1:4])
b = struct.pack("<HHIIHHH", tag, channels, rate, rate, 1, 8, 0)
print((b + bytes(128 - len(b))).hex().upper())' "$@" || e2e_fail "no format block"
}
case "$variant" in
  empty) : > "$ini" ;;
  truncated) head -c "$(( $(stat -c %s "$ini") / 2 ))" "$ini" > "$ini.cut" && mv "$ini.cut" "$ini" ;;
  garbage) head -c 3000 /dev/urandom > "$ini" ;;
  modemformat) sed -i "s/^Bin=.*/Bin=$(block 1 0 8000)\r/" "$ini" ;;
  modemrate) sed -i "s/^Bin=.*/Bin=$(block 1 1 4000000000)\r/" "$ini" ;;
  fileformat) printf '%s\r\n' '[File compression]' "Bin=$(block 4660 1 8000)" >> "$ini" ;;
  *) e2e_fail "unknown variant $variant" ;;
esac
damaged=$(mktemp "$E2E_DIR/damaged.XXXXXX") && cp "$ini" "$damaged" || e2e_fail "cannot keep the damaged file"
set_aside=
case "$variant" in empty|truncated|garbage) set_aside=1 ;; esac

e2e_sim_start com3:generic
{
  echo 'text~="cannot be read" press=OK times=1'
  echo 'title="Modem initialization" select~=VSIM press=OK times=1'
  echo 'class=TProgressForm ignore'
} | armed_rules
e2e_start -- "$E2E_PROGRAM"
slog=$E2E_DIR/sim.log
e2e_wait_line "$E2E_DIR/watcher.log" '"ev":"seen".*"class":"TfmQdx"' 180 || e2e_fail "no main window"
# Armed: after a search the probe sent at+vcid=1 once before the init.
inits=1
[ -n "$set_aside" ] && inits=2
for i in $(seq 1 600); do
  [ "$(sim_rx com3 'at\+vcid=1')" -ge "$inits" ] && break
  sleep 0.1
done
[ "$(sim_rx com3 'at\+vcid=1')" -ge "$inits" ] || e2e_fail "the modem was not armed"

e2e_sim "stream com3 speech synth 3s"
e2e_sim "stream com3 busy forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550404"
armed_wait_vrx 1 120
armed_wait_wavs 1 90
e2e_stop_ok

wav=$ARMED_WAVS
sox --i -D "$E2E_APP/wav/$wav" > /dev/null || e2e_fail "sox cannot read $wav"
printf '%s\n' "$(armed_rows)" | awk -F'\t' '$5 == "5550404" { n++ } END { exit n != 1 }' ||
  e2e_fail "no row of the call: $(armed_rows)"
log=$E2E_APP/Events.log
if [ -n "$set_aside" ]; then
  cmp -s "$damaged" "$E2E_APP/qdx.bad" || e2e_fail "qdx.bad is not the damaged file"
  said=$(grep -n 'qdx.ini cannot be read (.*): kept as qdx.bad' "$log" | head -1 | cut -d: -f1)
  [ -n "$said" ] || e2e_fail "Events.log does not say it: $(head -n 5 "$log")"
  search=$(grep -n 'finding modems' "$log" | head -1 | cut -d: -f1)
  [ -n "$search" ] && [ "$said" -lt "$search" ] || e2e_fail "no modem search after the word: $(head -n 8 "$log")"
  # The box came before the wizard.
  box=$(grep -n '"ev":"seen".*cannot be read' "$E2E_DIR/watcher.log" | head -1 | cut -d: -f1)
  wizard=$(grep -n '"ev":"seen".*Modem initialization' "$E2E_DIR/watcher.log" | head -1 | cut -d: -f1)
  [ -n "$box" ] && [ -n "$wizard" ] && [ "$box" -lt "$wizard" ] || e2e_fail "the box did not come before the wizard"
  ini_expect "$ini" Modem port=3
else
  [ -f "$E2E_APP/qdx.bad" ] && e2e_fail "a readable qdx.ini was set aside"
  case "$variant" in
    fileformat) grep -q '^qdx.ini \[File compression\] Bin no codec knows it' "$log" ;;
    modemformat) grep -q '^qdx.ini \[Modem compression\] Bin it has 0 channels' "$log" ;;
    modemrate) grep -q '^qdx.ini \[Modem compression\] Bin its rate is 4000000000 Hz' "$log" ;;
  esac || e2e_fail "Events.log does not say the format is bad: $(head -n 8 "$log")"
  grep -q 'Error Receiving data' "$E2E_DIR/watcher.log" && e2e_fail "the call failed"
  [ "$(sox --i -r "$E2E_APP/wav/$wav")" = 8000 ] || e2e_fail "$wav: rate $(sox --i -r "$E2E_APP/wav/$wav")"
fi
e2e_log "ok: $variant: $wav recorded"
exit 0

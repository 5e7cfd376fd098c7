#!/usr/bin/env bash
# s1-first-start.sh WATCHER.exe PROGRAM.exe SIMULATOR [nonvoice]: the first start in an empty
# folder. The system lists no modem, so COM1..COM8 are probed directly: COM3 is a voice modem,
# COM2 opens and never answers, the others have nobody behind them. The wizard lists what
# answered; its OK probes the modem command by command and stores the command set and the
# compressions, then the modem is armed. With "nonvoice" COM1 is a data-only modem and is the
# first entry: its probe stores no voice commands and says so. Variants where COM3 answers ERROR
# to one command of the probe: vcid (at+vcid=1: no caller ID, and a later start turns it off),
# vls0 (at+vls=0: not a voice modem), vgr (at+VGR=?: no record gain, none set for a call).
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin s1-first-start "$@"
variant=${E2E_VARIANT:-generic}

ports=(com3:generic com2:dead)
[ "$variant" = nonvoice ] && ports+=(com1:nonvoice)
e2e_sim_start "${ports[@]}"
case "$variant" in
  vcid) e2e_sim "reply com3 at+vcid=1 ERROR" ;;
  vls0) e2e_sim "reply com3 at+vls=0 ERROR" ;;
  vgr) e2e_sim "reply com3 at+VGR=? ERROR" ;;
esac
if [ "$variant" = nonvoice ] || [ "$variant" = vls0 ]; then
  # Both list entries have the same model name: the first one (COM1) is taken.
  e2e_rules <<'RULES'
title="Modem initialization" select=#0 press=OK times=1
text~="does not support V.253/IS-101 standard" press=OK
text~="sound card" press=OK
class=TProgressForm ignore
class=TfmMonitor ignore
class=TfmQdx ignore
class=TfmCallerID ignore
RULES
else
  e2e_rules <<'RULES'
title="Modem initialization" select~=VSIM press=OK times=1
text~="sound card" press=OK
class=TProgressForm ignore
class=TfmMonitor ignore
class=TfmQdx ignore
class=TfmCallerID ignore
RULES
fi
e2e_start -- "$E2E_PROGRAM"
slog=$E2E_DIR/sim.log
ini=$E2E_APP/qdx.ini
# The main window comes after the wizard and the start-up check; then the modem is armed (its
# init ends with caller ID on; the probe sent that command once before).
e2e_wait_line "$E2E_DIR/watcher.log" '"ev":"seen".*"class":"TfmQdx"' 180 || e2e_fail "no main window"
if [ "$variant" = nonvoice ] || [ "$variant" = vls0 ]; then
  grep -q 'does not support V.253' "$E2E_DIR/watcher.log" || e2e_fail "no word that the modem has no voice"
elif [ "$variant" = vcid ]; then
  e2e_wait_line "$slog" '"port":"com3".*"ev":"rx".*"line":"ats0=0"' 30 || e2e_fail "the modem was not armed"
  sleep 2
else
  for i in $(seq 1 300); do
    [ "$(sim_rx com3 'at\+vcid=1')" -ge 2 ] && break
    sleep 0.1
  done
  [ "$(sim_rx com3 'at\+vcid=1')" -ge 2 ] || e2e_fail "the modem was not armed"
fi
e2e_stop_ok

# The search: every live port was asked, the dead one only opened; the rest failed to open.
[ "$(sim_rx com3 'AT')" -ge 1 ] || e2e_fail "COM3 was not probed"
grep -q '"port":"com2".*"ev":"open"' "$slog" || e2e_fail "COM2 was not opened"
for n in 4 5 6 7 8; do
  grep -q "Port $n failed to open" "$E2E_APP/Events.log" || e2e_fail "no 'Port $n failed to open' in Events.log"
done

if [ "$variant" = vls0 ]; then
  [ "$(sim_rx com3 'at\+vls=0')" -ge 1 ] || e2e_fail "COM3 was not asked for voice"
  ini_expect "$ini" Modem port=3
  for key in VoiceMode InitVoice DisCallerId ForCallerId UnfCallerId Distinctive SpeakerVol LineSel_T \
    LineSel_T# BeepTone SilenceTimer ToneGeneration VoiceProcess VoiceTrx VoiceRec RecGain SpeakerOn \
    SpeakerOff MicGain SpeakerGain; do
    ini_expect "$ini" Modem "$key=none"
  done
  ini_expect "$ini" Params Voicefeatures=0
  e2e_log "ok: ERROR to at+vls=0: not a voice modem"
  exit 0
fi
if [ "$variant" = nonvoice ]; then
  grep -q "Port 1 failed to open" "$E2E_APP/Events.log" && e2e_fail "COM1 failed to open"
  [ "$(sim_rx com1 'at\+fclass=8')" -ge 1 ] || e2e_fail "COM1 was not asked for voice"
  [ "$(sim_rx com3 'at\+fclass=8')" = 0 ] || e2e_fail "COM3 was probed though COM1 was chosen"
  ini_expect "$ini" Modem port=1 Model="VSIM 56K Voice" Manufacturer=VSIM
  for key in VoiceMode InitVoice DisCallerId ForCallerId UnfCallerId Distinctive SpeakerVol LineSel_T \
    LineSel_T# BeepTone SilenceTimer ToneGeneration VoiceProcess VoiceTrx VoiceRec RecGain SpeakerOn \
    SpeakerOff MicGain SpeakerGain; do
    ini_expect "$ini" Modem "$key=none"
  done
  ini_get "$ini" Modem VoiceCompression > /dev/null && e2e_fail "qdx.ini has a VoiceCompression"
  ini_expect "$ini" Params Voicefeatures=0
  e2e_log "ok: nonvoice first entry"
  exit 0
fi

# Search, probe, then the init of the armed modem, in this order on COM3.
order=$(grep -F '"port":"com3"' "$slog" | grep -F '"ev":"rx"' | sed -n 's/.*"line":"\([^"]*\)".*/\1/p' | tr 'A-Z' 'a-z')
search=$(printf '%s\n' "$order" | grep -nx 'at+gmm?' | head -1 | cut -d: -f1)
probe=$(printf '%s\n' "$order" | grep -nx 'at+fclass=8' | head -1 | cut -d: -f1)
arm=$(printf '%s\n' "$order" | grep -nx 'atz' | tail -1 | cut -d: -f1)
[ -n "$search" ] && [ -n "$probe" ] && [ -n "$arm" ] && [ "$search" -lt "$probe" ] && [ "$probe" -lt "$arm" ] ||
  e2e_fail "COM3 did not see search, probe, init in order: $(printf '%s ' $order)"

if [ "$variant" = vcid ]; then
  ini_expect "$ini" Modem port=3 ForCallerId=none DisCallerId=at+vcid=0
  # A later start: the caller ID is turned off, never asked for.
  mv "$slog" "$E2E_DIR/sim.1.log"
  e2e_sim_start com3:generic
  e2e_sim "reply com3 at+vcid=1 ERROR"
  e2e_start -- "$E2E_PROGRAM"
  e2e_wait_line "$E2E_DIR/watcher.log" '"ev":"seen".*"class":"TfmQdx"' 60 || e2e_fail "no main window at the second start"
  e2e_wait_line "$slog" '"port":"com3".*"ev":"rx".*"line":"at\+vcid=0"' 30 || e2e_fail "caller ID was not turned off"
  e2e_stop
  [ "$(sim_rx com3 'at\+vcid=1')" = 0 ] || e2e_fail "the second start asked for caller ID"
  e2e_log "ok: ERROR to at+vcid=1: caller ID off"
  exit 0
fi
if [ "$variant" = vgr ]; then
  ini_expect "$ini" Modem RecGain=none
  mv "$slog" "$E2E_DIR/sim.1.log"
  e2e_sim_start com3:generic
  e2e_start -- "$E2E_PROGRAM"
  e2e_wait_line "$slog" '"port":"com3".*"ev":"rx".*"line":"at\+vcid=1"' 60 || e2e_fail "the modem was not armed"
  e2e_sim "stream com3 speech synth 3s"
  e2e_sim "stream com3 busy forever"
  e2e_sim "ring com3 cadence=fast count=3"
  e2e_wait_line "$slog" '"ev":"rx".*"line":"at\+vrx"' 60 || e2e_fail "no recording started"
  armed_wait_wavs 1 60
  e2e_stop
  [ "$(sim_rx com3 'at\+vgr=.*')" = 0 ] || e2e_fail "a record gain was set"
  e2e_log "ok: ERROR to at+VGR=?: no record gain"
  exit 0
fi
ini_expect "$ini" Modem port=3 Model="VSIM 56K Voice" Manufacturer=VSIM DriverDate=1.00 \
  VoiceMode=at+fclass=8 InitVoice=none DisCallerId=at+vcid=0 ForCallerId=at+vcid=1 \
  UnfCallerId=at+vcid=2 Distinctive=at+vdr=0 VoiceCompression=at+vsm=1,8000,0,0 \
  LineSel_T=at+vls=1 LineSel_T#=ok SilenceTimer=none RecGain=at+vgr=127 SpeakerVol=at+vgt=127 \
  vgrMin=0 vgrMax=255 vgtMin=0 vgtMax=255 SpeakerOn=none SpeakerOff=none MicGain=none SpeakerGain=none
ini_expect "$ini" Params Voicefeatures=1 Compression=0 UseLine=at+vls=1 UseLineRes=ok Timeout=4
size=$(stat -c %s "$E2E_APP/Compressions.d" 2>/dev/null) || e2e_fail "no Compressions.d"
[ "$size" = $((5 * 279)) ] || e2e_fail "Compressions.d has $size bytes, not 5 records"
# PCM (tag 1), mono, 8000 Hz, 8000 bytes/s, block 1, 8 bits.
bin=$(ini_get "$ini" "Modem compression" Bin) || e2e_fail "no [Modem compression] Bin"
case "${bin^^}" in
  01000100401F0000401F000001000800*) ;;
  *) e2e_fail "[Modem compression] Bin=$bin is not PCM 8000 Hz 8-bit mono" ;;
esac
e2e_log "ok: COM3 found, probed and armed"
exit 0

#!/usr/bin/env bash
# first-start.sh WATCHER.exe PROGRAM.exe SIMULATOR [nonvoice]: the first start in an empty
# folder. The system lists no modem, so COM1..COM8 are probed directly: COM3 is a voice modem,
# COM2 opens and never answers, the others have nobody behind them. The wizard lists what
# answered; its OK probes the modem command by command and stores the command set and the
# compressions, then the modem is armed. With "nonvoice" COM1 is a data-only modem and is the
# first entry: its probe stores no voice commands and says so. Variants where COM3 answers ERROR
# to one command of the probe: vcid (at+vcid=1: no caller ID, and a later start turns it off),
# vls0 (at+vls=0: not a voice modem), vgr (at+VGR=?: no record gain, none set for a call),
# vsm (at+vsm=?: no compression, said so). ati4: no +GMM?/+FMM?, so the model comes from an ATI4
# reply full of NUL and high-bit bytes (one clean line is kept). sysmodem: the system lists a
# modem on COM3 (a modem class key made with `wine reg add`, removed again at the end): it is
# taken from that list and no port is probed directly.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin first-start "$@"
variant=${E2E_VARIANT:-generic}

# The system's modem list: the modem class key that the program reads. The prefix is shared by the
# whole suite, so the entry made here goes again when the run ends, however it ends.
modem_class='HKLM\SYSTEM\CurrentControlSet\Control\Class\{4D36E96D-E325-11CE-BFC1-08002BE10318}'
sysmodem_key=$modem_class'\0000'
SYSMODEM_MADE=
sysmodem_remove() {
  [ -n "$SYSMODEM_MADE" ] || return 0
  wine reg delete "$sysmodem_key" /f > /dev/null 2>&1 || e2e_log "could not remove $sysmodem_key"
  SYSMODEM_MADE=
}
sysmodem_add() {
  # A key left by a run that was killed before its cleanup.
  wine reg delete "$sysmodem_key" /f > /dev/null 2>&1
  wine reg query "$modem_class" 2>/dev/null | tr -d '\r' | grep -qi '^HKEY_LOCAL_MACHINE.*}\\' &&
    e2e_fail "the prefix already lists modems: $(wine reg query "$modem_class" /s 2>&1)"
  SYSMODEM_MADE=1
  wine reg add "$sysmodem_key" /v FriendlyName /t REG_SZ /d "$1" /f > /dev/null 2>&1 &&
    wine reg add "$sysmodem_key" /v AttachedTo /t REG_SZ /d "$2" /f > /dev/null 2>&1 ||
    e2e_fail "cannot make the modem entry $sysmodem_key"
}
trap 'status=$?; sysmodem_remove; (exit $status); _e2e_exit' EXIT

ports=(com3:generic com2:dead)
[ "$variant" = nonvoice ] && ports+=(com1:nonvoice)
# A voice modem on COM1 that only a direct probe would find.
[ "$variant" = sysmodem ] && ports+=(com1:generic)
e2e_sim_start "${ports[@]}"
case "$variant" in
  vcid) e2e_sim "reply com3 at+vcid=1 ERROR" ;;
  vls0) e2e_sim "reply com3 at+vls=0 ERROR" ;;
  vgr) e2e_sim "reply com3 at+VGR=? ERROR" ;;
  vsm) e2e_sim "reply com3 at+vsm=? ERROR" ;;
  ati4)
    e2e_sim "reply com3 at+gmm? ERROR"
    e2e_sim "reply com3 at+fmm? ERROR"
    e2e_sim 'reply com3 ati4 text=\r\n\x00\r\nVSIM\x00\s56K\x80\sStrict\xff\x07\nsecond\sline\r\n\r\nOK\r\n'
    ;;
  sysmodem) sysmodem_add "VSIM Listed Modem" COM3 ;;
esac
# Without voice both list entries have the same model name: the first one (COM1) is taken.
pick='select~=VSIM'
[ "$variant" = nonvoice ] || [ "$variant" = vls0 ] && pick='select=#0'
{
  echo "title=\"Modem initialization\" $pick press=OK times=1"
  cat <<'RULES'
text~="sound card" press=OK
class=TProgressForm ignore
class=TfmMonitor ignore
class=TfmQdx ignore
class=TfmCallerID ignore
RULES
  case $variant in
    nonvoice|vls0) echo 'text~="does not support V.253/IS-101 standard" press=OK' ;;
    vsm)
      echo 'text="None modem compression can be recognized" press=OK times=1'
      echo 'text~="cannot be read from Compressions.d: it holds no records." press=OK times=1' ;;
  esac
} | e2e_rules
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

if [ "$variant" = sysmodem ]; then
  grep -q '"items":\["VSIM Listed Modem"\]' "$E2E_DIR/watcher.log" || e2e_fail "the wizard did not list the system's modem"
  grep -q 'finding modems' "$E2E_APP/Events.log" && e2e_fail "the ports were probed directly"
  grep -q 'failed to open' "$E2E_APP/Events.log" "$E2E_DIR/watcher.log" && e2e_fail "a port failed to open"
  for p in com1 com2; do
    grep -q "\"port\":\"$p\".*\"ev\":\"open\"" "$slog" && e2e_fail "$p was opened"
  done
  [ "$(sim_rx com3 'at\+gmm\?')" = 0 ] || e2e_fail "COM3 was asked for its identity"
  ini_expect "$ini" Modem port=3 Model="VSIM Listed Modem" VoiceMode=at+fclass=8 VoiceCompression=at+vsm=1,8000,0,0
  ini_expect "$ini" Params Voicefeatures=1
  e2e_log "ok: the system's modem on COM3 taken, no port probed"
  exit 0
fi

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

if [ "$variant" = vsm ]; then
  grep -q '"texts":\["None modem compression can be recognized"\]' "$E2E_DIR/watcher.log" ||
    e2e_fail "no word that no compression was recognised"
  # The start-up load after the wizard finds no compression in force either, and says so.
  grep -q '"texts":\["The voice compression cannot be read from Compressions.d: it holds no records.' \
    "$E2E_DIR/watcher.log" || e2e_fail "no word that no compression is in force"
  ini_expect "$ini" Modem port=3 VoiceCompression=at+vsm=none
  ini_expect "$ini" Params Voicefeatures=1 Compression=
  [ "$(stat -c %s "$E2E_APP/Compressions.d" 2>/dev/null)" = 0 ] || e2e_fail "Compressions.d is not empty"
  ini_get "$ini" "Modem compression" Bin > /dev/null && e2e_fail "qdx.ini has a [Modem compression] Bin"
  e2e_log "ok: ERROR to at+vsm=?: no compression"
  exit 0
fi
if [ "$variant" = ati4 ]; then
  [ "$(sim_rx com3 'ati4')" -ge 1 ] || e2e_fail "ATI4 was not asked"
  ini_expect "$ini" Modem port=3 Model="VSIM 56K Strict" Manufacturer=VSIM DriverDate=1.00 \
    VoiceCompression=at+vsm=1,8000,0,0
  LC_ALL=C grep -naP '[^\x20-\x7e\r]' "$ini" && e2e_fail "qdx.ini holds control or high-bit bytes"
  e2e_log "ok: the model from a dirty ATI4 reply"
  exit 0
fi
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

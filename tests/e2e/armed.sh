# Sourced after e2e.sh by the call scenarios: a program folder set up for the simulator's
# `generic` modem on COM3 (qdx.ini, Compressions.d: PCM 8000 Hz mono 8-bit, caller ID on,
# RingTimeOut preset), and the waits those scenarios share.
#
#   armed_setup                      writes qdx.ini and Compressions.d into $E2E_APP
#   armed_rules                      the watcher's rules for an unattended call (stdin: more)
#   armed_wait_init N [SECONDS]      the N-th "atz" of the modem (1: armed; 2: re-armed after a call)
#   armed_wait_vrx N [SECONDS]       the N-th voice receive has started (the simulator's log)
#   armed_wait_samples N [SECONDS]   the running stream has sent N samples
#   armed_wait_wavs N [SECONDS]      N recordings named by the rule are in wav\; ARMED_WAVS
#   armed_check_row FILE             Recordings.d holds a row for the recording FILE (its start time)

armed_setup() {
  local pcm
  # PCM 8000 Hz mono 8-bit as a 128-byte format block.
  pcm=$(python3 -c 'import struct;b=struct.pack("<HHIIHHH",1,1,8000,8000,1,8,0);print((b+bytes(128-len(b))).hex().upper())')
  printf '%s\r\n' '[Modem]' 'port=3' 'Model=VSIM 56K Voice' 'Manufacturer=VSIM' 'VoiceMode=at+fclass=8' \
    'DisCallerId=at+vcid=0' 'ForCallerId=at+vcid=1' 'VoiceCompression=at+vsm=1,8000,0,0' \
    'RecGain=at+vgr=127' 'SilenceTimer=none' 'FlowControl=2' \
    '[Params]' 'Voicefeatures=1' 'Compression=0' 'UseLine=at+vls=1' 'UseLineRes=ok' 'Timeout=4' \
    '[General]' 'RingTimeOut=2600' '[Modem compression]' "Bin=$pcm" > "$E2E_APP/qdx.ini" ||
    e2e_fail "cannot write qdx.ini"
  # One compression record: nine texts of a length byte and 30 characters.
  python3 -c '
import sys
texts = ["UNSIGNED PCM", "1", "\"8-BIT LINEAR\"", "8", "0", "8000", "0", "0", "at+vsm=1,8000,0,0"]
rec = b"".join(bytes([len(t)]) + t.encode().ljust(30, b"\0") for t in texts)
assert len(rec) == 279
open(sys.argv[1], "wb").write(rec)
' "$E2E_APP/Compressions.d" || e2e_fail "no Compressions.d"
}

armed_rules() {
  { printf '%s\n' 'text~="sound card" press=OK' 'class=TfmQdx ignore' 'class=TfmCallerID ignore'; cat; } |
    e2e_rules
}

_armed_count_until() {
  local regex=$1 n=$2 seconds=$3 i
  for i in $(seq 1 $((seconds * 10))); do
    [ "$(grep -Ec -- "$regex" "$E2E_DIR/sim.log" 2>/dev/null)" -ge "$n" ] && return 0
    sleep 0.1
  done
  return 1
}

armed_wait_init() {
  _armed_count_until '"ev":"rx".*"line":"atz"' "$1" "${2:-60}" || e2e_fail "no init number $1 of the modem"
  e2e_wait_line "$E2E_DIR/sim.log" '"ev":"rx".*"line":"at\+vcid=1"' 30 || e2e_fail "the modem was not armed"
}

armed_wait_vrx() {
  _armed_count_until '"ev":"vrx_start"' "$1" "${2:-60}" || e2e_fail "voice receive number $1 did not start"
}

armed_wait_samples() {
  local n=$1 seconds=${2:-30} i samples=0
  for i in $(seq 1 $((seconds * 5))); do
    e2e_sim "state? com3"
    samples=$(printf '%s\n' "$E2E_REPLY" | sed -n 's/.*samples=\([0-9]*\).*/\1/p')
    [ "${samples:-0}" -ge "$n" ] && return 0
    sleep 0.2
  done
  e2e_fail "the stream sent $samples samples, not $n: $E2E_REPLY"
}

armed_wait_wavs() {
  local n=$1 seconds=${2:-60} i
  ARMED_WAVS=
  for i in $(seq 1 $((seconds * 10))); do
    ARMED_WAVS=$(ls "$E2E_APP/wav/" 2>/dev/null | grep -E '^[0-9]+_[0-9]{8}_[0-9]{6}\.wav$')
    [ "$(printf '%s' "$ARMED_WAVS" | grep -c .)" -ge "$n" ] && return 0
    sleep 0.1
  done
  e2e_fail "not $n recordings in wav: $(ls "$E2E_APP/wav/" 2>&1)"
}

# The row's start time text holds the minutes and seconds of the file's name in any locale.
armed_check_row() {
  local name=${1%.wav} hms
  hms=${name##*_}
  grep -aq "${hms:2:2}:${hms:4:2}" "$E2E_APP/Recordings.d" ||
    e2e_fail "no row of Recordings.d starts at ${hms:0:2}:${hms:2:2}:${hms:4:2} (for $1)"
}

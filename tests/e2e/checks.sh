# Sourced by the scenario scripts beside e2e.sh: reading the program's files.
#
#   ini_get FILE SECTION KEY       the value (CRs dropped, section and key in any case); status 1 if absent
#   ini_expect FILE SECTION KEY=VALUE...   fails the test on the first key that differs
#   sim_rx PORT REGEX              the count of command lines of PORT in sim.log matching REGEX (grep -E, any case)

ini_get() {
  local file=$1 section=$2 key=$3
  tr -d '\r' < "$file" 2>/dev/null | awk -v s="$section" -v k="$key" '
    BEGIN { s = tolower(s); k = tolower(k) }
    /^\[/ { in_s = (tolower($0) == "[" s "]"); next }
    in_s { i = index($0, "="); if (i > 0 && tolower(substr($0, 1, i - 1)) == k) { print substr($0, i + 1); found = 1; exit } }
    END { exit !found }'
}

ini_expect() {
  local file=$1 section=$2 pair key want got
  shift 2
  for pair in "$@"; do
    key=${pair%%=*} want=${pair#*=}
    got=$(ini_get "$file" "$section" "$key") || e2e_fail "$(basename "$file"): no $key in [$section]"
    [ "$got" = "$want" ] || e2e_fail "$(basename "$file"): [$section] $key=$got, expected $want"
  done
}

sim_rx() {
  grep -F "\"port\":\"$1\"" "$E2E_DIR/sim.log" 2>/dev/null | grep -F '"ev":"rx"' |
    grep -Eic -- "\"line\":\"$2\"" || true
}

# A program folder set up as the wizard leaves it for the simulator's generic modem on COM3,
# with the ring period known: qdx.ini and Compressions.d (one record, PCM 8000 Hz 8-bit).
# Arguments: more lines for [Params] (KEY=VALUE; RejectCall, RejectRings and DiscTime are read
# only when AutoRecord is there too).
preset_modem() {
  local pcm
  pcm=$(python3 -c 'import struct;b=struct.pack("<HHIIHHH",1,1,8000,8000,1,8,0);print((b+bytes(128-len(b))).hex().upper())') ||
    e2e_fail "no format block"
  printf '%s\r\n' '[Modem]' 'port=3' 'Model=VSIM 56K Voice' 'Manufacturer=VSIM' 'VoiceMode=at+fclass=8' \
    'DisCallerId=at+vcid=0' 'ForCallerId=at+vcid=1' 'VoiceCompression=at+vsm=1,8000,0,0' \
    'RecGain=at+vgr=127' 'SilenceTimer=none' 'FlowControl=2' \
    '[Params]' 'Voicefeatures=1' 'Compression=0' 'UseLine=at+vls=1' 'UseLineRes=ok' 'Timeout=4' "$@" \
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

# Waits until wav\ holds a recording named by the rule (at most SECONDS); its name in REC_WAV.
wait_recording() {
  local seconds=${1:-60} i
  REC_WAV=
  for i in $(seq 1 $((seconds * 10))); do
    REC_WAV=$(ls "$E2E_APP/wav/" 2>/dev/null | grep -E '^[0-9]+_[0-9]{8}_[0-9]{6}\.wav$' | head -1)
    [ -n "$REC_WAV" ] && return 0
    sleep 0.1
  done
  return 1
}

# The number of recordings named by the rule in wav\.
recordings() { ls "$E2E_APP/wav/" 2>/dev/null | grep -Ec '^[0-9]+_[0-9]{8}_[0-9]{6}\.wav$'; }

# Waits until COM3 has seen at least N atz lines (at most SECONDS): the modem initialised N times.
wait_inits() {
  local n=$1 seconds=${2:-60} i
  for i in $(seq 1 $((seconds * 10))); do
    [ "$(sim_rx com3 atz)" -ge "$n" ] && return 0
    sleep 0.1
  done
  return 1
}

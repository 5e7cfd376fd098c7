# Sourced after e2e.sh by the call scenarios (it brings checks.sh): a program folder set up as
# the wizard leaves it for the simulator's `generic` modem on COM3 (qdx.ini, Compressions.d: PCM
# 8000 Hz mono 8-bit, caller ID on, RingTimeOut preset), and the waits those scenarios share.
#
#   armed_setup [KEY=VALUE...]       writes qdx.ini and Compressions.d into $E2E_APP; the
#                                    arguments are more lines for [Params] (RejectCall,
#                                    RejectRings and DiscTime are read only with AutoRecord)
#   armed_rules                      the watcher's rules for an unattended call (stdin: more)
#   armed_start [KEY=VALUE...]       armed_setup, the simulator on COM3, armed_rules (stdin),
#                                    the program started and its modem armed
#   armed_wait_init N [SECONDS]      the N-th init of the modem has ended with caller ID on
#                                    (1: armed; 2: re-armed after a call)
#   armed_wait_events REGEX N [SECONDS]   sim.log holds N lines matching REGEX (status 1 if not)
#   armed_wait_vrx N [SECONDS]       the N-th voice receive has started (the simulator's log)
#   armed_wait_samples N [SECONDS]   the running stream has sent N samples
#   armed_wait_wavs N [SECONDS]      N recordings named by the rule are in wav\; ARMED_WAVS
#   armed_list_wavs                  the recordings named by the rule in wav\, one a line
#   armed_recordings                 their number
#   armed_rows                       the rows of Recordings.d, one a line: Channel, DateS,
#                                    TimeS, Duration, Comment, FolderId (tab between)
#   armed_check_row FILE             Recordings.d holds a row for the recording FILE (its Channel
#                                    and start time)
. "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

armed_setup() {
  local pcm
  # PCM 8000 Hz mono 8-bit as a 128-byte format block.
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

armed_rules() {
  { printf '%s\n' 'text~="sound card" press=OK' 'class=TfmMonitor ignore' 'class=TfmQdx ignore' \
      'class=TfmCallerID ignore'; cat; } | e2e_rules
}

armed_start() {
  armed_setup "$@"
  e2e_sim_start com3:generic
  armed_rules
  e2e_start -- "$E2E_PROGRAM"
  armed_wait_init 1
}

armed_wait_events() {
  local regex=$1 n=$2 seconds=$3 i
  for i in $(seq 1 $((seconds * 10))); do
    [ "$(grep -Ec -- "$regex" "$E2E_DIR/sim.log" 2>/dev/null)" -ge "$n" ] && return 0
    sleep 0.1
  done
  return 1
}

armed_wait_init() {
  armed_wait_events '"ev":"rx".*"line":"atz"' "$1" "${2:-60}" || e2e_fail "no init number $1 of the modem"
  armed_wait_events '"ev":"rx".*"line":"at\+vcid=1"' "$1" 30 || e2e_fail "init number $1 did not arm the modem"
}

armed_wait_vrx() {
  armed_wait_events '"ev":"vrx_start"' "$1" "${2:-60}" || e2e_fail "voice receive number $1 did not start"
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

armed_list_wavs() { ls "$E2E_APP/wav/" 2>/dev/null | grep -E '^[0-9]+_[0-9]{8}_[0-9]{6}\.wav$'; }

armed_recordings() { armed_list_wavs | grep -c .; }

armed_wait_wavs() {
  local n=$1 seconds=${2:-60} i
  ARMED_WAVS=
  for i in $(seq 1 $((seconds * 10))); do
    ARMED_WAVS=$(armed_list_wavs)
    [ "$(printf '%s' "$ARMED_WAVS" | grep -c .)" -ge "$n" ] && return 0
    sleep 0.1
  done
  e2e_fail "not $n recordings in wav: $(ls "$E2E_APP/wav/" 2>&1)"
}

# The table file: a header (size, "S", record count, field count, the field list), then each
# record as one length byte a field and the values; a 4-byte integer for Channel, and for the
# Comment a 4-byte length before its text.
armed_rows() {
  python3 -c '
import struct, sys
d = open(sys.argv[1], "rb").read()
if d[4:5] != b"S": sys.exit("not a table file")
count, fields, slen = struct.unpack_from("<III", d, 5)
names = [f.split(b" ")[0].split(b".")[-1].decode() for f in d[17:17 + slen].split(b"\x12")[:-1]]
want = ["id", "Channel", "FolderId", "DateS", "TimeS", "Duration", "Comment"]
if names != want: sys.exit("fields %s" % names)
pos = 17 + slen
for _ in range(count):
    lens = d[pos:pos + fields]; pos += fields
    row = {}
    for name, n in zip(names, lens):
        v = d[pos:pos + n]; pos += n
        if name == "Channel": v = str(struct.unpack("<i", v)[0]) if n == 4 else ""
        elif name == "Comment" and n == 4:
            k = struct.unpack("<I", v)[0]; v = d[pos:pos + k].decode("latin-1"); pos += k
        else: v = v.decode("latin-1")
        row[name] = v
    print("\t".join(row[k] for k in ("Channel", "DateS", "TimeS", "Duration", "Comment", "FolderId")))
if pos != len(d): sys.exit("%d bytes after the records" % (len(d) - pos))
' "$E2E_APP/Recordings.d" || e2e_fail "Recordings.d cannot be read"
}

# A row names the file by its Channel, its date (the year's last two digits) and its start time:
# the minutes and seconds as they stand, the hour in 12 or 24 hours (any locale).
armed_check_row() {
  local name=${1%.wav} rows
  rows=$(armed_rows) || exit 1
  printf '%s\n' "$rows" | python3 -c '
import re, sys
channel, date, hms = sys.argv[1].split("_")
h, m, s = int(hms[0:2]), hms[2:4], hms[4:6]
for line in sys.stdin.read().splitlines():
    c, d, t = line.split("\t")[0:3]
    x = re.search(r"(\d{1,2})[^\d](\d\d)[^\d](\d\d)", t)
    if c == channel and date[2:4] in d and x and x.group(2) == m and x.group(3) == s and int(x.group(1)) % 12 == h % 12:
        sys.exit(0)
sys.exit(1)' "$name" || e2e_fail "no row of Recordings.d names $1: $rows"
}

#!/usr/bin/env bash
# name-clash.sh WATCHER.exe PROGRAM.exe SIMULATOR: two calls whose recordings would get the same
# name. The first call is filed as usual; then wav\ is given a file of that name (Channel 1) for
# every second in which the second call can start, as a first call of the same second would have
# left. The second call is filed under the next Channel number (2_...): two rows, each naming its
# own file with its own audio, and none of the files already there touched.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/e2e.sh"
. "$here/armed.sh"
e2e_begin name-clash "$@"

armed_start < /dev/null

e2e_sim "stream com3 speech synth 2s"
e2e_sim "stream com3 busy forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550301"
armed_wait_wavs 1 60
first=$ARMED_WAVS
armed_wait_init 2

# The names of the next 120 s, with the day of the second and the day five minutes later (the
# name takes the date of the stop), each a file of its own text.
prepared=$E2E_DIR/prepared.md5
now=$(date +%s)
for s in $(seq "$now" $((now + 120))); do
  for d in $(date -d "@$s" +%Y%m%d) $(date -d "@$((s + 300))" +%Y%m%d); do
    f=$E2E_APP/wav/1_${d}_$(date -d "@$s" +%H%M%S).wav
    [ -e "$f" ] || printf 'prepared %s\n' "$(basename "$f")" > "$f" || e2e_fail "cannot write $f"
  done
done
(cd "$E2E_APP/wav" && md5sum 1_*.wav | grep -v " $first\$") > "$prepared" || e2e_fail "no checksums"

e2e_sim "stream com3 speech synth 3s"
e2e_sim "stream com3 busy forever"
e2e_sim "ring com3 cadence=fast count=3 cid=between cid.nmbr=5550302"
second=
for i in $(seq 1 600); do
  second=$(armed_list_wavs | grep '^2_' | head -1)
  [ -n "$second" ] && break
  sleep 0.1
done
[ -n "$second" ] || e2e_fail "the second call was not filed under Channel 2: $(ls "$E2E_APP/wav/" | grep -v '^1_' )"
armed_wait_init 3
e2e_stop_ok

(cd "$E2E_APP/wav" && md5sum --quiet -c "$prepared") || e2e_fail "a file that was there changed"
[ -f "$E2E_APP/wav/${second/#2_/1_}" ] || e2e_fail "no prepared file ${second/#2_/1_} beside $second"
[ -f "$E2E_APP/wav/Recorded.wav" ] && e2e_fail "the working file is left"
[ "$(armed_list_wavs | grep -vc '^1_')" = 1 ] || e2e_fail "wav holds: $(armed_list_wavs | grep -v '^1_')"
rows=$(armed_rows)
[ "$(printf '%s\n' "$rows" | grep -c .)" = 2 ] || e2e_fail "Recordings.d: $rows"
printf '%s\n' "$rows" | awk -F'\t' '$1 == 1 && $5 == "5550301" { a++ } $1 == 2 && $5 == "5550302" { b++ } END { exit !(a == 1 && b == 1) }' ||
  e2e_fail "the rows' Channels and callers: $rows"
armed_check_row "$first"
armed_check_row "$second"
for w in "$first" "$second"; do
  seconds=$(sox --i -D "$E2E_APP/wav/$w") || e2e_fail "sox cannot read $w"
  python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) >= 2 else 1)" "$seconds" || e2e_fail "$w lasts $seconds s"
done
e2e_log "ok: $first, then $second beside the prepared ${second/#2_/1_}"
exit 0

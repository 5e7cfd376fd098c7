# Sourced by the scenario scripts beside e2e.sh (armed.sh brings it): reading the program's files.
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

#!/usr/bin/env bash
# hang-report.sh PROBE.exe: a test executable that hangs is ended by scripts/wine-run.sh before its
# time limit, fails, and leaves its test case and the place where it hangs in the output.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$(VL_HANG_SECONDS=8 bash "$here/../../scripts/wine-run.sh" "$1" --gtest_color=no 2>&1)
status=$?
fail() { echo "FAIL: $1"; printf '%s\n' "$out"; exit 1; }
[ $status = 124 ] || fail "status $status, not 124"
grep -q 'RUN .*HangProbe.WaitsForever' <<< "$out" || fail "the test case is not named"
grep -q '^HANG: hang_probe.exe still runs after 8 s' <<< "$out" || fail "no hang line"
grep -q 'WaitForeverInTheProbe' <<< "$out" || fail "the hanging function is not named"
echo "ok: the hang was reported"
printf '%s\n' "$out" | grep -A3 "own frames"

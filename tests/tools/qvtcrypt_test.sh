#!/usr/bin/env bash
# qvtcrypt driven from the shell: a cipher round trip, dump-hiscores of a file written line
# by line with `qvtcrypt encrypt`, and the error exits (the cipher's vectors are unit-tested).
set -euo pipefail

tool="${1:?usage: qvtcrypt_test.sh BUILD_DIR}/tools/qvtcrypt"
key=m4rq7e2dw
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
expect_eq() { [[ "$2" == "$3" ]] || fail "$1: got '$2', expected '$3'"; }
run() { set +e; "$tool" "$@" >"$work/out" 2>"$work/err"; status=$?; set -e; }

hex=$("$tool" encrypt "$key" "ORVELSOFT")
[[ "$hex" =~ ^[0-9a-f]{32}$ ]] || fail "9 characters should give 32 lower-case hex digits: '$hex'"
expect_eq "round trip" "$("$tool" decrypt "$key" "${hex^^}")" "ORVELSOFT"

# Entry i: name, score 1000 * (i + 1), sent flag; entry 2 has an empty name, 8 and 9 are unsent.
names=(ORVELSOFT ACE "" BOB_BY 'X!~' ORVELSOFT ZED NINECHARS ME YOU)
table="index name score sent"
lines=()
for ((i = 0; i < 10; i++)); do
    lines+=("${names[i]}" "$((1000 * (i + 1)))" "$((i < 8))")
    table+=$'\n'"$i ${names[i]:-\"\"} $((1000 * (i + 1))) $((i < 8))"
done
for line in "${lines[@]}"; do printf '%s\r\n' "$("$tool" encrypt "$key" "$line")"; done >"$work/full.ini"
tr -d '\r' <"$work/full.ini" >"$work/lf.ini"
for file in full lf; do
    run dump-hiscores "$work/$file.ini"
    expect_eq "$file: exit code (stderr: $(cat "$work/err"))" "$status" "0"
    expect_eq "$file: table" "$(awk '{print $1, $2, $3, $4}' "$work/out")" "$table"
done

# A short file: what is there is printed, the missing lines are named, exit 1.
head -n 26 "$work/full.ini" >"$work/short.ini"
run dump-hiscores "$work/short.ini"
expect_eq "short file exit code" "$status" "1"
expect_eq "short file entry 8 (sent line missing)" "$(awk '$1 == 8 { print $2, $3, $4 }' "$work/out")" "ME 9000 -"
grep -q "lines 27 to 30 missing" "$work/err" || fail "short file message: $(cat "$work/err")"
run dump-hiscores "$work/nonexistent.ini"
[[ $status -ne 0 && ! -s "$work/out" ]] || fail "missing file should fail with nothing on stdout"

for args in "" "frobnicate" "encrypt onlykey" "decrypt a b c" "dump-hiscores a b" "encrypt '' text"; do
    eval "run $args"
    expect_eq "exit code for '$args'" "$status" "2"
    grep -q "usage:\|key" "$work/err" || fail "no usage text for '$args'"
done
echo "qvtcrypt: all checks passed"

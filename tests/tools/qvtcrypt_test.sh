#!/usr/bin/env bash
# qvtcrypt driven from the shell: a cipher round trip, dump-hiscores of a file written line
# by line with `qvtcrypt encrypt`, and the error exits (the cipher's vectors are unit-tested).
set -uo pipefail

tool="${1:?usage: qvtcrypt_test.sh BUILD_DIR}/tools/qvtcrypt"
key=m4rq7e2dw
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
run() { "$tool" "$@" >"$work/out" 2>"$work/err"; status=$?; }

hex=$("$tool" encrypt "$key" "ORVELSOFT")
[[ "$hex" =~ ^[0-9a-f]{32}$ ]] || fail "9 characters should give 32 lower-case hex digits: '$hex'"
[[ "$("$tool" decrypt "$key" "${hex^^}")" == ORVELSOFT ]] || fail "round trip"

# Entry i: name, score 1000 * (i + 1), sent flag; entry 2 has an empty name, 8 and 9 are
# unsent. Lines end in CR LF, as the game writes them.
names=(ORVELSOFT ACE "" BOB_BY 'X!~' ORVELSOFT ZED NINECHARS ME YOU)
table="index name score sent"
for ((i = 0; i < 10; i++)); do
    for line in "${names[i]}" "$((1000 * (i + 1)))" "$((i < 8))"; do
        printf '%s\r\n' "$("$tool" encrypt "$key" "$line")"
    done
    table+=$'\n'"$i ${names[i]:-\"\"} $((1000 * (i + 1))) $((i < 8))"
done >"$work/full.ini"
run dump-hiscores "$work/full.ini"
[[ $status -eq 0 && "$(awk '{print $1, $2, $3, $4}' "$work/out")" == "$table" ]] ||
    fail "dump-hiscores (exit $status, $(cat "$work/err")):"$'\n'"$(cat "$work/out")"

# A short file: what is there is printed, exit 1.
head -n 26 "$work/full.ini" >"$work/short.ini"
run dump-hiscores "$work/short.ini"
[[ $status -eq 1 ]] || fail "short file exit code $status"
[[ "$(awk '$1 == 8 { print $2, $3, $4 }' "$work/out")" == "ME 9000 -" ]] || fail "entry 8"
run dump-hiscores "$work/nonexistent.ini"
[[ $status -ne 0 && ! -s "$work/out" ]] || fail "missing file should fail with nothing on stdout"

for args in "" "frobnicate" "encrypt onlykey" "decrypt a b c" "dump-hiscores a b" "encrypt '' text"; do
    eval "run $args"
    [[ $status -eq 2 ]] || fail "exit code $status for '$args'"
    grep -q "usage:\|key" "$work/err" || fail "no usage text for '$args'"
done
echo "qvtcrypt: all checks passed"

#!/usr/bin/env bash
# qvtcrypt driven from the shell: cipher round trips, a standard vector, dump-hiscores of a
# file written line by line with `qvtcrypt encrypt`, and the error exits.
set -euo pipefail

tool="${1:?usage: qvtcrypt_test.sh BUILD_DIR}/tools/qvtcrypt"
key=m4rq7e2dw
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
expect_eq() { [[ "$2" == "$3" ]] || fail "$1: got '$2', expected '$3'"; }
run() { set +e; "$tool" "$@" >"$work/out" 2>"$work/err"; status=$?; set -e; }
row() { awk -v i="$1" 'NR > 1 && $1 == i { print $2, $3, $4 }' "$work/out"; }

hex=$("$tool" encrypt "$key" "ORVELSOFT")
[[ "$hex" =~ ^[0-9a-f]{32}$ ]] || fail "9 characters should give 32 lower-case hex digits: '$hex'"
expect_eq "round trip" "$("$tool" decrypt "$key" "${hex^^}")" "ORVELSOFT"
expect_eq "empty text" "$("$tool" encrypt "$key" "")" ""
# Key 0123456789ABCDEF, plain 1111111111111111 -> 61F9C3802281B096, halves little-endian.
vkey=$'\x01\x23\x45\x67\x89\xab\xcd\xef'
expect_eq "standard vector" "$("$tool" encrypt "$vkey" $'\x11\x11\x11\x11\x11\x11\x11\x11')" "80c3f96196b08122"

# Entry i: name, score 1000 * (i + 1), sent flag; entry 2 has an empty name, 8 and 9 are unsent.
names=(ORVELSOFT ACE "" BOB_BY 'X!~' ORVELSOFT ZED NINECHARS ME YOU)
sent=(1 1 1 1 1 1 1 1 0 0)
write_table() {  # file, number of lines to write
    local n=0 i value
    : >"$1"
    for ((i = 0; i < 10; i++)); do
        for value in "${names[i]}" "$((1000 * (i + 1)))" "${sent[i]}"; do
            ((n++ < $2)) || return 0
            printf '%s\r\n' "$("$tool" encrypt "$key" "$value")" >>"$1"
        done
    done
}

write_table "$work/full.ini" 30
tr -d '\r' <"$work/full.ini" >"$work/lf.ini"
table="index name score sent"
for ((i = 0; i < 10; i++)); do
    name=${names[i]}
    table+=$'\n'"$i ${name:-\"\"} $((1000 * (i + 1))) ${sent[i]}"
done
for file in full lf; do
    run dump-hiscores "$work/$file.ini"
    expect_eq "$file: exit code (stderr: $(cat "$work/err"))" "$status" "0"
    expect_eq "$file: table" "$(awk '{print $1, $2, $3, $4}' "$work/out")" "$table"
done

# A short file: what is there is printed, the missing lines are named, exit 1.
write_table "$work/short.ini" 26
run dump-hiscores "$work/short.ini"
expect_eq "short file exit code" "$status" "1"
expect_eq "short file entry 8 (sent line missing)" "$(row 8)" "ME 9000 -"
expect_eq "short file entry 9" "$(row 9)" ""
grep -q "lines 27 to 30 missing" "$work/err" || fail "short file message: $(cat "$work/err")"
run dump-hiscores /dev/null
expect_eq "empty file exit code" "$status" "1"
grep -q "lines 1 to 30 missing" "$work/err" || fail "empty file message: $(cat "$work/err")"
run dump-hiscores "$work/nonexistent.ini"
[[ $status -ne 0 && ! -s "$work/out" ]] || fail "missing file should fail with nothing on stdout"
grep -q "nonexistent.ini" "$work/err" || fail "missing file message: $(cat "$work/err")"

for args in "" "frobnicate" "encrypt onlykey" "decrypt a b c" "dump-hiscores" "dump-hiscores a b"; do
    # shellcheck disable=SC2086  # word splitting of the argument list is the point
    run $args
    expect_eq "exit code for '$args'" "$status" "2"
    grep -q "usage:" "$work/err" || fail "no usage text for '$args'"
done
run encrypt "" "text"
[[ $status -ne 0 ]] && grep -q "key" "$work/err" || fail "an empty key should be refused: $(cat "$work/err")"
echo "qvtcrypt: all checks passed"

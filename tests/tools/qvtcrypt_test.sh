#!/usr/bin/env bash
# qvtcrypt driven from the shell: cipher round trips, a standard vector, dump-hiscores of a
# file written line by line with `qvtcrypt encrypt`, and the error exits.
set -euo pipefail

build=${1:?usage: qvtcrypt_test.sh BUILD_DIR}
tool="$build/tools/qvtcrypt"
key=m4rq7e2dw
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

expect_eq() {  # what, got, expected
    [[ "$2" == "$3" ]] || fail "$1: got '$2', expected '$3'"
}

# Runs the tool, keeping stdout, stderr and the exit code apart.
run() {
    set +e
    "$tool" "$@" >"$work/out" 2>"$work/err"
    status=$?
    set -e
}

[[ -x "$tool" ]] || fail "no tool at $tool"

# ---- encrypt / decrypt ----------------------------------------------------------------------

hex=$("$tool" encrypt "$key" "ORVELSOFT")
[[ "$hex" =~ ^[0-9a-f]{32}$ ]] || fail "9 characters should give 32 lower-case hex digits: '$hex'"
expect_eq "round trip" "$("$tool" decrypt "$key" "$hex")" "ORVELSOFT"
expect_eq "upper-case cipher text" "$("$tool" decrypt "$key" "${hex^^}")" "ORVELSOFT"
expect_eq "8 characters, one block" "$("$tool" encrypt "$key" "12345678" | tr -d '\n' | wc -c)" "16"
expect_eq "empty text" "$("$tool" encrypt "$key" "")" ""

# Standard vector: key 0123456789ABCDEF, plain 1111111111111111 -> 61F9C3802281B096, with
# each 4-byte half in little-endian order.
vkey=$'\x01\x23\x45\x67\x89\xab\xcd\xef'
vplain=$'\x11\x11\x11\x11\x11\x11\x11\x11'
expect_eq "standard vector" "$("$tool" encrypt "$vkey" "$vplain")" "80c3f96196b08122"
expect_eq "standard vector back" "$("$tool" decrypt "$vkey" "80C3F96196B08122")" "$vplain"

# ---- dump-hiscores --------------------------------------------------------------------------

# Entry i: name, score 1000 * (i + 1), sent flag; entry 2 has an empty name, 8 and 9 are unsent.
names=(ORVELSOFT ACE "" BOB_BY 'X!~' ORVELSOFT ZED NINECHARS ME YOU)
sent=(1 1 1 1 1 1 1 1 0 0)
write_table() {  # file, number of lines to write
    local file=$1 lines=$2 i=0 n=0 value
    : >"$file"
    for ((i = 0; i < 10; i++)); do
        for value in "${names[i]}" "$((1000 * (i + 1)))" "${sent[i]}"; do
            ((n < lines)) || return 0
            printf '%s\r\n' "$("$tool" encrypt "$key" "$value")" >>"$file"
            n=$((n + 1))
        done
    done
}

write_table "$work/full.ini" 30
expect_eq "lines written" "$(wc -l <"$work/full.ini")" "30"
run dump-hiscores "$work/full.ini"
expect_eq "dump exit code (stderr: $(cat "$work/err"))" "$status" "0"
expect_eq "dump lines" "$(wc -l <"$work/out")" "11"
expect_eq "header" "$(head -n 1 "$work/out" | tr -s ' ')" "index name score sent"
row() { awk -v i="$1" 'NR > 1 && $1 == i { print $2, $3, $4 }' "$work/out"; }
expect_eq "entry 0" "$(row 0)" "ORVELSOFT 1000 1"
expect_eq "entry 2 (empty name)" "$(row 2)" '"" 3000 1'
expect_eq "entry 3" "$(row 3)" "BOB_BY 4000 1"
expect_eq "entry 4" "$(row 4)" "X!~ 5000 1"
expect_eq "entry 7" "$(row 7)" "NINECHARS 8000 1"
expect_eq "entry 8 (unsent)" "$(row 8)" "ME 9000 0"
expect_eq "entry 9 (best, unsent)" "$(row 9)" "YOU 10000 0"

# Bare LF line ends read the same.
tr -d '\r' <"$work/full.ini" >"$work/lf.ini"
run dump-hiscores "$work/lf.ini"
expect_eq "LF-only file exit code" "$status" "0"
expect_eq "LF-only entry 9" "$(row 9)" "YOU 10000 0"

# A short file: what is there is printed, the missing lines are named, exit 1.
write_table "$work/short.ini" 26
run dump-hiscores "$work/short.ini"
expect_eq "short file exit code" "$status" "1"
expect_eq "short file entry 7" "$(row 7)" "NINECHARS 8000 1"
expect_eq "short file entry 8 (sent line missing)" "$(row 8)" "ME 9000 -"
[[ -z "$(row 9)" ]] || fail "short file: entry 9 should not be printed"
grep -q "lines 27 to 30 missing" "$work/err" || fail "short file message: $(cat "$work/err")"

: >"$work/empty.ini"
run dump-hiscores "$work/empty.ini"
expect_eq "empty file exit code" "$status" "1"
grep -q "lines 1 to 30 missing" "$work/err" || fail "empty file message: $(cat "$work/err")"

# ---- error exits ----------------------------------------------------------------------------

run dump-hiscores "$work/nonexistent.ini"
[[ $status -ne 0 ]] || fail "missing file should fail"
grep -q "nonexistent.ini" "$work/err" || fail "missing file message: $(cat "$work/err")"
[[ ! -s "$work/out" ]] || fail "missing file: nothing belongs on stdout"

for args in "" "frobnicate" "encrypt onlykey" "decrypt a b c" "dump-hiscores" \
            "dump-hiscores a b"; do
    # shellcheck disable=SC2086  # word splitting of the argument list is the point
    run $args
    expect_eq "exit code for '$args'" "$status" "2"
    grep -q "usage:" "$work/err" || fail "no usage text for '$args'"
done

run encrypt "" "text"
[[ $status -ne 0 ]] || fail "an empty key should be refused"
grep -q "key" "$work/err" || fail "empty key message: $(cat "$work/err")"

echo "qvtcrypt: all checks passed"

#!/usr/bin/env bash
# qvtpack as a user drives it: a folder of media packed in both formats, listed and
# extracted back byte for byte, and clear failures for bad input (the installed game tests
# packing onto an executable). $1 is the build directory.
set -euo pipefail

qvtpack="$1/tools/qvtpack"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # check DESCRIPTION COMMAND...
    local what=$1; shift
    "$@" || { echo "FAILED: $what" >&2; failures=$((failures + 1)); }
}
fails() {  # fails COMMAND...: true when the command exits nonzero and says why on stderr
    local err
    if err=$("$@" 2>&1 >/dev/null); then return 1; fi
    [[ -n "$err" ]]
}

# Nested folders, random and compressible data, an empty file, a name with blanks, and a
# file bigger than the LZSS window many times over.
media="$work/Media"
mkdir -p "$media/pell/deep" "$media/dune"
head -c 70000 /dev/urandom >"$media/pell/ship.png"
head -c 1000 /dev/urandom >"$media/pell/deep/tile 1.bmp"
for i in $(seq 1 4000); do echo "line $((i % 37)) of the hiscore text"; done >"$media/orvelsoft.ini"
head -c 2000000 /dev/zero >"$media/dune/null.mp3"
: >"$media/empty.txt"

for format in lzo lzss; do
    pack="$work/media-$format.pak"
    check "create --$format" "$qvtpack" create "$pack" "--$format" "$media"
    listing=$("$qvtpack" list "$pack")
    check "$format list: names with /, size, format" grep -Eq "^dune/null.mp3 +2000000 +[0-9]+  $format\$" <<<"$listing"
    check "$format list counts entries" grep -q '^5 entries$' <<<"$listing"
    rm -rf "$work/out"
    check "$format extract" "$qvtpack" extract "$pack" "$work/out"
    check "$format round trip is exact" diff -r "$media" "$work/out"
done

# Failures: nonzero exit, a message, and no output file left behind.
check "missing input fails" fails "$qvtpack" create "$work/x.pak" "$work/none"
check "no output after a failure" test ! -e "$work/x.pak"
cp "$media/orvelsoft.ini" "$work/ORVELSOFT.INI"
check "names differing only in case fail" fails "$qvtpack" create "$work/x.pak" "$media" "$work/ORVELSOFT.INI"
check "unknown option fails" fails "$qvtpack" create "$work/x.pak" --zip "$media"
head -c -1 "$work/media-lzo.pak" >"$work/cut.pak"
check "a truncated pack fails" fails "$qvtpack" list "$work/cut.pak"
cp "$work/media-lzss.pak" "$work/bent.pak"
printf '\xff' | dd of="$work/bent.pak" bs=1 seek=2 conv=notrunc status=none
check "a damaged entry is reported" fails "$qvtpack" list "$work/bent.pak"

# Hand-built packs with names qvtpack itself would never write, and links planted in the
# target folder: nothing is written outside it, and no link is followed.
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
mkdir -p "$work/one"
printf 'PACKED' >"$work/one/x"
"$qvtpack" create "$work/one.pak" --lzss "$work/one/x"
stored=$(($(stat -c %s "$work/one.pak") - 18))  # less the entry "x": 11 directory bytes, 7 trailer
handpack() {  # handpack OUT NAME: one entry named NAME holding "PACKED"
    { head -c "$stored" "$work/one.pak"
      printf "$(printf '\\x%02x' "${#2}")"
      printf '%s' "$2"
      printf "$(le32 0)$(le32 "$stored")\\x00pkQ$(le32 "$stored")"; } >"$1"
}
mkdir -p "$work/outside"
for name in "../x" "/abs" "a/../b" "a//b" "./x"; do
    handpack "$work/bad.pak" "$name"
    rm -rf "$work/out"
    check "'$name' is refused" fails "$qvtpack" extract "$work/bad.pak" "$work/out/in"
    check "'$name' writes nothing" test -z "$(find "$work/out" "$work/outside" /abs -type f 2>/dev/null)"
done
rm -rf "$work/out" && mkdir -p "$work/out"
echo precious >"$work/outside/x"
ln -s "$work/outside/x" "$work/out/x"
handpack "$work/linked.pak" "x"
check "a link at a file's place is replaced" "$qvtpack" extract "$work/linked.pak" "$work/out"
check "the link's target is untouched" test "$(cat "$work/outside/x")" = precious
check "a plain file stands there now" test ! -L "$work/out/x" -a "$(cat "$work/out/x")" = PACKED
handpack "$work/plain.pak" "a/x"
ln -s "$work/outside" "$work/out/a"
check "a link where a folder should be fails" fails "$qvtpack" extract "$work/plain.pak" "$work/out"
check "nothing reaches the linked folder" test "$(ls "$work/outside")" = x -a "$(cat "$work/outside/x")" = precious

echo "qvtpack: $failures failed"
[[ $failures -eq 0 ]]

#!/usr/bin/env bash
# qvtpack as a user drives it: a folder of media packed in both formats, listed and
# extracted back byte for byte, and clear failures for bad input (the installed game tests
# packing onto an executable). $1 is the build directory.
set -uo pipefail

qvtpack="$1/tools/qvtpack"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
refused() {  # refused COMMAND...: true when the command exits nonzero and says why on stderr
    local err
    err=$("$@" 2>&1 >/dev/null) && return 1
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
    "$qvtpack" create "$pack" "--$format" "$media" || fail "create --$format"
    "$qvtpack" list "$pack" | grep -E "^dune/null.mp3 +2000000 +[0-9]+  $format\$" >/dev/null ||
        fail "$format list: names with /, size, format"
    rm -rf "$work/out"
    "$qvtpack" extract "$pack" "$work/out" || fail "$format extract"
    diff -r "$media" "$work/out" || fail "$format round trip is not exact"
done

# Failures: nonzero exit, a message, and no output file left behind.
refused "$qvtpack" create "$work/x.pak" "$work/none" || fail "missing input is not refused"
[[ ! -e "$work/x.pak" ]] || fail "output left after a failure"
head -c -1 "$work/media-lzo.pak" >"$work/cut.pak"
refused "$qvtpack" list "$work/cut.pak" || fail "a truncated pack is not refused"
cp "$work/media-lzss.pak" "$work/bent.pak"
printf '\xff' | dd of="$work/bent.pak" bs=1 seek=2 conv=notrunc status=none
refused "$qvtpack" list "$work/bent.pak" || fail "a damaged entry is not reported"

# Hand-built packs with names qvtpack itself would never write, and links planted in the
# target folder: nothing is written outside it, and no link is followed.
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
mkdir -p "$work/one" "$work/outside"
printf 'PACKED' >"$work/one/x"
"$qvtpack" create "$work/one.pak" --lzss "$work/one/x"
stored=$(($(stat -c %s "$work/one.pak") - 18))  # less the entry "x": 11 directory bytes, 7 trailer
handpack() {  # handpack OUT NAME: one entry named NAME holding "PACKED"
    { head -c "$stored" "$work/one.pak"
      printf "$(printf '\\x%02x' "${#2}")"
      printf '%s' "$2"
      printf "$(le32 0)$(le32 "$stored")\\x00pkQ$(le32 "$stored")"; } >"$1"
}
for name in "../x" "/abs" "a/../b" "a//b" "./x"; do
    handpack "$work/bad.pak" "$name"
    rm -rf "$work/out"
    refused "$qvtpack" extract "$work/bad.pak" "$work/out/in" || fail "'$name' is not refused"
    [[ -z "$(find "$work/out" "$work/outside" /abs -type f 2>/dev/null)" ]] || fail "'$name' wrote"
done
rm -rf "$work/out" && mkdir -p "$work/out"
echo precious >"$work/outside/x"
ln -s "$work/outside/x" "$work/out/x"
handpack "$work/linked.pak" "x"
"$qvtpack" extract "$work/linked.pak" "$work/out" || fail "a link at a file's place is not replaced"
[[ ! -L "$work/out/x" && $(cat "$work/out/x") == PACKED ]] || fail "no plain file at x"
handpack "$work/plain.pak" "a/x"
ln -s "$work/outside" "$work/out/a"
refused "$qvtpack" extract "$work/plain.pak" "$work/out" || fail "a folder link is followed"
[[ $(ls "$work/outside") == x && $(cat "$work/outside/x") == precious ]] || fail "link followed"
echo "qvtpack: all checks passed"

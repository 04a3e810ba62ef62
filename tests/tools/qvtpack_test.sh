#!/usr/bin/env bash
# qvtpack as a user drives it: a folder of media packed in both formats, listed and
# extracted back byte for byte, a pack appended to a copy of an executable that still runs,
# and clear failures for bad input. $1 is the build directory.
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
    check "$format list names folders with /" grep -q '^pell/deep/tile 1.bmp ' <<<"$listing"
    check "$format list shows size and format" grep -Eq "^dune/null.mp3 +2000000 +[0-9]+  $format\$" <<<"$listing"
    check "$format list counts entries" grep -q '^5 entries$' <<<"$listing"
    rm -rf "$work/out"
    check "$format extract" "$qvtpack" extract "$pack" "$work/out"
    check "$format round trip is exact" diff -r "$media" "$work/out"
done

# Appended to a copy of an executable: it still runs, its bytes come first, the pack is found.
cp "$qvtpack" "$work/host"
check "create --append-to" "$qvtpack" create "$work/game" --lzss --append-to "$work/host" "$media" "$work/host"
check "host bytes come first" cmp -n "$(stat -c %s "$work/host")" "$work/host" "$work/game"
set +e; "$work/game" >/dev/null 2>&1; rc=$?; set -e
check "appended copy still runs (usage exit 2)" test "$rc" -eq 2
rm -rf "$work/out"
check "extract from the appended copy" "$qvtpack" extract "$work/game" "$work/out"
check "a file argument is named by its own name" cmp "$work/host" "$work/out/host"
rm "$work/out/host"
check "appended round trip is exact" diff -r "$media" "$work/out"

# Failures: nonzero exit, a message, and no output file left behind.
check "missing input fails" fails "$qvtpack" create "$work/x.pak" "$work/none"
check "no output after a failure" test ! -e "$work/x.pak"
cp "$media/orvelsoft.ini" "$work/ORVELSOFT.INI"
check "names differing only in case fail" fails "$qvtpack" create "$work/x.pak" "$media" "$work/ORVELSOFT.INI"
check "unknown option fails" fails "$qvtpack" create "$work/x.pak" --zip "$media"
check "create without inputs fails" fails "$qvtpack" create "$work/x.pak"
check "no command fails" fails "$qvtpack"
check "a file that is no pack fails" fails "$qvtpack" list "$media/orvelsoft.ini"
head -c -1 "$work/media-lzo.pak" >"$work/cut.pak"
check "a truncated pack fails" fails "$qvtpack" list "$work/cut.pak"
cp "$work/media-lzss.pak" "$work/bent.pak"
printf '\xff' | dd of="$work/bent.pak" bs=1 seek=2 conv=notrunc status=none
check "a damaged entry is reported" fails "$qvtpack" list "$work/bent.pak"
echo "qvtpack: $failures failed"
[[ $failures -eq 0 ]]

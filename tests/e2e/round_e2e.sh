#!/usr/bin/env bash
# One round of RAYVAULTER as a player plays it, in a real window under Xvfb: [1] on the
# title, a pause and its end, no key while the crates push the ship into the star, a name
# typed into the name entry, Enter; then the hiscore file must hold the name at the top,
# and Escape must end the game with exit code 0.
#
# usage: round_e2e.sh BUILD_DIR        exit 0 passed, 1 failed, 77 a tool is missing
set -uo pipefail

build=$(cd "${1:?usage: round_e2e.sh BUILD_DIR}" && pwd)
crypt="$build/tools/qvtcrypt"
probe="$build/tests/e2e_screen_probe"
. "$(dirname "$0")/../support/e2e.sh"

need_tools Xvfb xdotool
for file in "$build/rayvaulter" "$crypt" "$probe"; do
  [ -x "$file" ] || { echo "FAIL: $file is not built"; exit 1; }
done

work=$(mktemp -d /tmp/rayvaulter-e2e-XXXXXX)
trap e2e_cleanup EXIT

# The game beside a media folder of its own, so the build tree's hiscore file stays as it is.
cp "$build/rayvaulter" "$work/rayvaulter"
if [ -d "$build/Media" ]; then cp -rL "$build/Media" "$work/Media"; else mkdir "$work/Media"; fi
mkdir -m 700 "$work/tmp"
hiscores="$work/Media/orvelsoft.ini"
seed_hiscores "$hiscores" "$crypt"

start_xvfb
start_game "$work" env TMPDIR="$work/tmp" ./rayvaulter
start_round
# The pause screen waits for its keys' release without showing frames, and must still see
# the release of a real key.
press p
wait_for 10 on_pause || fail "[P] did not show the pause screen"
press p
wait_for 10 in_play || fail "[P] in the pause screen did not resume the game"
top=$(finish_round ACE "$hiscores" "$crypt") || exit 1
echo "top entry: $top"
score=$(echo "$top" | awk '{print $3}')
[ "$score" -gt 10 ] || fail "score $score is not above the old best"
[ "$(echo "$top" | awk '{print $4}')" = "0" ] || fail "a new entry must be marked as still to send"
"$crypt" dump-hiscores "$hiscores" | awk '$1 == 0 {exit !($2 == "LOW1")}' ||
  fail "the old lowest entry should have been pushed out"
quit_with_escape
echo "PASS: ACE saved with score $score"

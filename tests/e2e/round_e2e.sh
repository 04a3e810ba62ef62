#!/usr/bin/env bash
# One round of RAYVAULTER as a player plays it, in a real window under Xvfb: [1] on the
# title, a pause and its end, no key while the crates push the ship into the star, a name
# typed into the name entry, Enter; then the hiscore file must hold the name at the top, and Escape must end
# the game with exit code 0.
#
# usage: round_e2e.sh BUILD_DIR        exit 0 passed, 1 failed, 77 a tool is missing
set -uo pipefail

build=$(cd "${1:?usage: round_e2e.sh BUILD_DIR}" && pwd)
game="$build/rayvaulter"
crypt="$build/tools/qvtcrypt"
probe="$build/tests/e2e_screen_probe"
key="m4rq7e2dw"
name="ACE"

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
for file in "$game" "$crypt" "$probe"; do
  [ -x "$file" ] || { echo "FAIL: $file is not built"; exit 1; }
done

work=$(mktemp -d /tmp/rayvaulter-e2e-XXXXXX)
xvfb_pid=""
game_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -f "$work/game.log" ] && sed 's/^/  game: /' "$work/game.log" | tail -20
  exit 1
}

# The game beside a media folder of its own, so the build tree's hiscore file stays as it is.
cp "$game" "$work/rayvaulter"
if [ -d "$build/Media" ]; then
  cp -rL "$build/Media" "$work/Media"
else
  mkdir "$work/Media"
fi
mkdir -m 700 "$work/tmp"

# A table of scores 1 to 10, so the round's score is the best.
hiscores="$work/Media/orvelsoft.ini"
: >"$hiscores"
for i in 0 1 2 3 4 5 6 7 8 9; do
  for text in "LOW$i" "$((i + 1))" 1; do
    printf '%s\r\n' "$("$crypt" encrypt "$key" "$text")" >>"$hiscores"
  done
done

# Xvfb picks a free display itself and tells it on a pipe.
exec 3< <(Xvfb -displayfd 1 -screen 0 800x600x24 -nolisten tcp 2>"$work/xvfb.log")
xvfb_pid=$!
read -r -t 20 display <&3 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$display"

(cd "$work" && SDL_AUDIODRIVER=dummy TMPDIR="$work/tmp" exec ./rayvaulter >"$work/game.log" 2>&1) &
game_pid=$!

window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^AKQZ08_Rayvaulter$' 2>/dev/null | head -1)
  [ -n "$window" ] && break
  kill -0 "$game_pid" 2>/dev/null || fail "the game ended before its window came up"
  sleep 0.2
done
[ -n "$window" ] || fail "no game window"
# Keys go through XTEST to the focused window, as a keyboard's would.
xdotool windowfocus --sync "$window" 2>>"$work/xdotool.log"

lit() { "$probe" "$window" "$@" 2>/dev/null || echo -1; }

# Screens told apart by where something is drawn: the title has "ORVELSOFT" at the top;
# the name entry has "NEW HISCORE" at y 64 and nothing between y 116 and 140, where the
# title has nothing either and the play field has its beams.
on_title() { [ "$(lit 248 0 144 16)" -gt 50 ] && [ "$(lit 0 116 640 24)" -eq 0 ]; }
on_name_entry() {
  [ "$(lit 232 64 176 16)" -gt 50 ] && [ "$(lit 0 116 640 24)" -eq 0 ] &&
    [ "$(lit 248 0 144 16)" -eq 0 ]
}
# The pause screen: "PAUSE" at y 208 over black, nothing at the top or the name entry's rows.
on_pause() {
  [ "$(lit 288 208 80 16)" -gt 30 ] && [ "$(lit 0 116 640 24)" -eq 0 ] &&
    [ "$(lit 248 0 144 16)" -eq 0 ] && [ "$(lit 232 64 176 16)" -eq 0 ]
}
in_play() { [ "$(lit 0 116 640 24)" -gt 0 ]; }
wait_for() {  # wait_for SECONDS CHECK
  local until=$((SECONDS + $1))
  while [ $SECONDS -lt $until ]; do
    "$2" && return 0
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended while waiting for $2"
    sleep 0.2
  done
  return 1
}
# A key held long enough for a frame at 30 per second to see it.
press() {
  xdotool keydown "$1" 2>>"$work/xdotool.log"
  sleep 0.2
  xdotool keyup "$1" 2>>"$work/xdotool.log"
}

wait_for 60 on_title || fail "the title screen did not come up"
press 1
# A pause and its end: the pause screen waits for its keys' release without showing frames,
# and must still see the release of a real key.
wait_for 20 in_play || fail "the play field did not come up"
press p
wait_for 10 on_pause || fail "[P] did not show the pause screen"
press p
wait_for 10 in_play || fail "[P] in the pause screen did not resume the game"
# The fly-in, the beams and play until a crate column in the ship's lane pushes it into
# the star; the level-up every 30 seconds makes that come ever sooner.
wait_for 200 on_name_entry || fail "the name entry did not come up"
sleep 0.3
xdotool type --delay 120 "$name" 2>>"$work/xdotool.log"
sleep 0.5
press Return

for _ in $(seq 50); do
  top=$("$crypt" dump-hiscores "$hiscores" 2>/dev/null | awk '$1 == 9')
  [ -n "$top" ] && [ "$(echo "$top" | awk '{print $2}')" = "$name" ] && break
  sleep 0.2
done
echo "top entry: $top"
[ "$(echo "$top" | awk '{print $2}')" = "$name" ] || fail "the hiscore file does not have $name at the top"
score=$(echo "$top" | awk '{print $3}')
[ "$score" -gt 10 ] || fail "score $score is not above the old best"
[ "$(echo "$top" | awk '{print $4}')" = "0" ] || fail "a new entry must be marked as still to send"
"$crypt" dump-hiscores "$hiscores" | awk '$1 == 0 {exit !($2 == "LOW1")}' ||
  fail "the old lowest entry should have been pushed out"

wait_for 10 on_title || fail "the title did not come back after the name entry"
press Escape
for _ in $(seq 50); do
  kill -0 "$game_pid" 2>/dev/null || break
  sleep 0.2
done
kill -0 "$game_pid" 2>/dev/null && fail "Escape did not end the game"
wait "$game_pid"
status=$?
game_pid=""
[ "$status" -eq 0 ] || fail "the game ended with exit code $status"
echo "PASS: $name saved with score $score"

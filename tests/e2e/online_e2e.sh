#!/usr/bin/env bash
# RAYVAULTER against a real hiscored, in a real window under Xvfb: an entry still to send
# in the hiscore file goes to the server at start-up; a short round ended with [Q], a name
# typed, Enter, and the new hiscore goes to the server too and is stored as sent.
#
# usage: online_e2e.sh BUILD_DIR        exit 0 passed, 1 failed, 77 a tool is missing
set -uo pipefail

build=$(cd "${1:?usage: online_e2e.sh BUILD_DIR}" && pwd)
game="$build/rayvaulter"
server="$build/hiscored"
crypt="$build/tools/qvtcrypt"
probe="$build/tests/e2e_screen_probe"
key="m4rq7e2dw"
name="NET"

for tool in Xvfb xdotool curl; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
for file in "$game" "$server" "$crypt" "$probe"; do
  [ -x "$file" ] || { echo "FAIL: $file is not built"; exit 1; }
done

work=$(mktemp -d /tmp/rayvaulter-online-XXXXXX)
xvfb_pid=""
game_pid=""
server_pid=""
cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -f "$work/game.log" ] && sed 's/^/  game: /' "$work/game.log" | tail -20
  [ -f "$work/access.log" ] && sed 's/^/  server: /' "$work/access.log" | tail -20
  exit 1
}

"$server" --listen 127.0.0.1:0 --database "$work/hiscores.db" --port-file "$work/port" \
  --access-log "$work/access.log" 2>"$work/server.err" &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
[ -s "$work/port" ] || fail "hiscored did not start: $(cat "$work/server.err")"
port=$(cat "$work/port")
wire() { "$crypt" encrypt 5hwintor "$1"; }
for entry in "ALPHA 300" "BRAVO 200" "CHARLIE 100"; do
  set -- $entry
  curl -fsS "http://127.0.0.1:$port/123/ifvdhwrite.php?isoud=$(wire "$1")&eakcs=$(wire "$2")" >/dev/null ||
    fail "could not fill the server"
done

cp "$game" "$work/rayvaulter"
if [ -d "$build/Media" ]; then cp -rL "$build/Media" "$work/Media"; else mkdir "$work/Media"; fi
mkdir -m 700 "$work/tmp"

# Scores 1 to 9 sent long ago, and PEND (5000), best of all, never sent.
hiscores="$work/Media/orvelsoft.ini"
: >"$hiscores"
for i in 0 1 2 3 4 5 6 7 8 9; do
  if [ "$i" -eq 9 ]; then set -- PEND 5000 0; else set -- "LOW$i" "$((i + 1))" 1; fi
  for text in "$@"; do printf '%s\r\n' "$("$crypt" encrypt "$key" "$text")" >>"$hiscores"; done
done

exec 3< <(Xvfb -displayfd 1 -screen 0 800x600x24 -nolisten tcp 2>"$work/xvfb.log")
xvfb_pid=$!
read -r -t 20 display <&3 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$display"

(cd "$work" && RAYVAULTER_HISCORE_SERVER="127.0.0.1:$port" SDL_AUDIODRIVER=dummy TMPDIR="$work/tmp" \
  exec ./rayvaulter >"$work/game.log" 2>&1) &
game_pid=$!

window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^AKQZ08_Rayvaulter$' 2>/dev/null | head -1)
  [ -n "$window" ] && break
  kill -0 "$game_pid" 2>/dev/null || fail "the game ended before its window came up"
  sleep 0.2
done
[ -n "$window" ] || fail "no game window"
xdotool windowfocus --sync "$window" 2>>"$work/xdotool.log"

lit() { "$probe" "$window" "$@" 2>/dev/null || echo -1; }
on_title() { [ "$(lit 248 0 144 16)" -gt 50 ] && [ "$(lit 0 116 640 24)" -eq 0 ]; }
on_name_entry() {
  [ "$(lit 232 64 176 16)" -gt 50 ] && [ "$(lit 0 116 640 24)" -eq 0 ] &&
    [ "$(lit 248 0 144 16)" -eq 0 ]
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
press() {
  xdotool keydown "$1" 2>>"$work/xdotool.log"
  sleep 0.2
  xdotool keyup "$1" 2>>"$work/xdotool.log"
}
listed() { curl -fsS "http://127.0.0.1:$port/top.json"; }

wait_for 60 on_title || fail "the title screen did not come up"
listed | grep -q '"name":"PEND","score":5000' || fail "the pending entry was not sent at start-up: $(listed)"
[ -s "$work/Media/global.ini" ] || fail "the list reply is not beside the hiscore file"

press 1
wait_for 20 in_play || fail "the play field did not come up"
# Scoring starts once the star and the beams are in place (173 frames, about 6 s).
sleep 10
press q
wait_for 20 on_name_entry || fail "the name entry did not come up after [Q]"
sleep 0.3
xdotool type --delay 120 "$name" 2>>"$work/xdotool.log"
sleep 0.5
press Return
wait_for 20 on_title || fail "the title did not come back after the name entry"

listed | grep -q "\"name\":\"$name\"" || fail "the new hiscore did not reach the server: $(listed)"
entry=$("$crypt" dump-hiscores "$hiscores" | awk -v n="$name" '$2 == n')
[ -n "$entry" ] || fail "the hiscore file does not hold $name"
[ "$(echo "$entry" | awk '{print $4}')" = "1" ] || fail "$name is not stored as sent: $entry"
"$crypt" dump-hiscores "$hiscores" | awk '$2 == "PEND" {exit !($4 == "1")}' || fail "PEND is not stored as sent"

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
echo "PASS: PEND sent at start-up, $name sent after the round: $(listed)"

# Shared by the installed game's and the packages' scripts: an Xvfb of their own, the
# game's window, its screens told apart by where something is drawn, and keys typed as a
# player types them. The sourcing script sets: work (a scratch folder), probe
# (e2e_screen_probe), and calls start_xvfb, then start_game.

xvfb_pid=""
game_pid=""
window=""

e2e_cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  [ -n "${work:-}" ] && rm -rf "$work"
}

# On stderr, so a failure inside a command substitution still shows.
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/game.log" ] && sed 's/^/  game: /' "$work/game.log" | tail -20 >&2
  exit 1
}

need_tools() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
}

# Xvfb picks a free display itself and tells it on a pipe.
start_xvfb() {  # start_xvfb [WxHxD]
  # -noreset: the server must not restart itself when the last client (a game) leaves.
  exec 3< <(Xvfb -displayfd 1 -screen 0 "${1:-800x600x24}" -nolisten tcp -noreset 2>"$work/xvfb.log")
  xvfb_pid=$!
  read -r -t 20 display <&3 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$display"
}

# start_game DIR COMMAND...: runs the game in DIR, waits for its window and focuses it.
start_game() {
  local dir=$1
  shift
  # A closed port unless the script names a server: no test reaches a real one.
  (cd "$dir" && SDL_AUDIODRIVER=dummy RAYVAULTER_HISCORE_SERVER="${RAYVAULTER_HISCORE_SERVER:-127.0.0.1:9}" \
    exec "$@" >"$work/game.log" 2>&1) &
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
}

lit() { "$probe" "$window" "$@" 2>/dev/null || echo -1; }

# The title has "ORVELSOFT" at the top; the name entry has "NEW HISCORE" at y 64 and
# nothing between y 116 and 140, where the title has nothing either and the play field
# has its beams; the pause screen has "PAUSE" at y 208 over black.
on_title() { [ "$(lit 248 0 144 16)" -gt 50 ] && [ "$(lit 0 116 640 24)" -eq 0 ]; }
on_name_entry() {
  [ "$(lit 232 64 176 16)" -gt 50 ] && [ "$(lit 0 116 640 24)" -eq 0 ] &&
    [ "$(lit 248 0 144 16)" -eq 0 ]
}
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

# seed_hiscores FILE QVTCRYPT: a table of scores 1 to 10 named LOW0..LOW9, so any round's
# score is the best.
seed_hiscores() {
  for i in 0 1 2 3 4 5 6 7 8 9; do
    for text in "LOW$i" "$((i + 1))" 1; do printf '%s\r\n' "$("$2" encrypt m4rq7e2dw "$text")"; done
  done >"$1"
}

# From the title into play: [1], then the play field must come up.
start_round() {
  wait_for 60 on_title || fail "the title screen did not come up"
  press 1
  wait_for 20 in_play || fail "the play field did not come up"
}

# The rest of a short round: once scoring has started, a pause and its end (the pause
# screen waits for its keys' release without showing frames, and must still see a real
# key's), then [Q], NAME typed into the name entry, Enter; the title must come back.
finish_round() {  # finish_round NAME
  sleep 10  # scoring starts once the star and the beams are in place (173 frames)
  press p
  wait_for 10 on_pause || fail "[P] did not show the pause screen"
  press p
  wait_for 10 in_play || fail "[P] in the pause screen did not resume the game"
  press q
  wait_for 20 on_name_entry || fail "the name entry did not come up after [Q]"
  sleep 0.3
  xdotool type --delay 120 "$1" 2>>"$work/xdotool.log"
  sleep 0.5
  press Return
  wait_for 20 on_title || fail "the title did not come back after the name entry"
}

# Escape must end the game with exit code 0.
quit_with_escape() {
  press Escape
  timeout 10 tail --pid="$game_pid" -f /dev/null || fail "Escape did not end the game"
  wait "$game_pid" || fail "the game ended with exit code $?"
  game_pid=""
}

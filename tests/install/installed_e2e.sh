#!/usr/bin/env bash
# The installed game and its packages, as a packager and a player meet them: `cmake
# --install` into a scratch prefix and the layout checked; the Debian packages made with
# cpack, lintian finding no error in them, the desktop entry and AppStream data valid, apt
# willing to install the game's package with the dependencies dpkg-shlibdeps found; the
# examples built against the installed runtime (find_package and pkg-config); then, under
# Xvfb, the installed game started from another folder by an unprivileged user with the
# prefix read-only, against the installed hiscored: a round played as a player plays it,
# the pending entry sent at start-up and the new one after the round, the hiscore file
# found in the XDG data folder and nothing written beside the binary; and the game at
# --scale 2, each pixel a sharp 2 x 2 block.
#
# usage: installed_e2e.sh BUILD_DIR SOURCE_DIR     exit 0 passed, 1 failed, 77 a tool is missing
set -uo pipefail

build=$(cd "${1:?usage: installed_e2e.sh BUILD_DIR SOURCE_DIR}" && pwd)
source_dir=$(cd "${2:?usage: installed_e2e.sh BUILD_DIR SOURCE_DIR}" && pwd)
probe="$build/tests/e2e_screen_probe"
for tool in Xvfb xdotool pkg-config runuser cpack dpkg-deb lintian apt-get desktop-file-validate \
  appstreamcli; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to play as an unprivileged user"; exit 77; }

work=$(mktemp -d /tmp/rayvaulter-install-XXXXXX)
xvfb_pid=""
game_pid=""
server_pid=""
trap 'kill $game_pid $xvfb_pid $server_pid 2>/dev/null; wait; rm -rf "$work"' EXIT
chmod 755 "$work"
prefix="$work/prefix"

# On stderr, so a failure inside a command substitution still shows.
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/game.log" ] && sed 's/^/  game: /' "$work/game.log" | tail -20 >&2
  exit 1
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  fail "cmake --install failed: $(tail -5 "$work/install.log")"
for f in bin/{rayvaulter,hiscored,qvtpack,qvtcrypt} include/quivent/quivent.h \
  lib/systemd/system/hiscored.service share/applications/rayvaulter.desktop \
  share/man/{man6/rayvaulter.6,man8/hiscored.8,man1/qvtpack.1,man1/qvtcrypt.1}.gz \
  share/metainfo/rayvaulter.metainfo.xml share/icons/hicolor/{48x48,128x128,256x256}/apps/rayvaulter.png; do
  [ -e "$prefix/$f" ] || fail "the install lacks $f"
done
[ -z "$(find "$prefix/include" -name testing.h)" ] || fail "test hooks were installed"
libdir=$(dirname "$(find "$prefix" -name libquivent.a | head -1)")  # the examples need it

cpack -G DEB -B "$work/debs" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(tail -20 "$work/cpack.log")"
game=$(ls "$work"/debs/rayvaulter_*.deb 2>/dev/null) || fail "no rayvaulter package"
for deb in "$work"/debs/*.deb; do
  errors=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep '^E: ')
  [ -z "$errors" ] || fail "lintian on $(basename "$deb"):"$'\n'"$errors"
done
depends=$(dpkg-deb -f "$game" Depends)
for lib in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libpng16-16 libjpeg62-turbo; do
  [[ "$depends" == *"$lib"* ]] || fail "the game's package does not depend on $lib: $depends"
done
dpkg-deb -c "$game" | grep '/bin/rayvaulter$' >/dev/null || fail "the game's package lacks the game"
dpkg-deb -c "$work"/debs/libquivent-dev_*.deb | grep 'include/quivent/quivent.h$' >/dev/null ||
  fail "no libquivent-dev package with the headers"
apt-get install -s "$game" >"$work/apt.log" 2>&1 || fail "apt: $(tail -5 "$work/apt.log")"

desktop-file-validate "$prefix/share/applications/rayvaulter.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/rayvaulter.metainfo.xml" >"$work/as.log" 2>&1 ||
  fail "appstreamcli validate: $(cat "$work/as.log")"
# A bad option on the command line is refused with exit code 2.
"$prefix/bin/rayvaulter" --scale 9 2>/dev/null; [ $? -eq 2 ] || fail "--scale 9 is not refused"

# The examples against the installed runtime only: built through its CMake package and
# through pkg-config (the build's own copies run headless in the unit tests).
cmake -S "$source_dir/examples" -B "$work/examples" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  >"$work/examples.log" 2>&1 && cmake --build "$work/examples" >>"$work/examples.log" 2>&1 ||
  fail "examples did not build with find_package: $(tail -20 "$work/examples.log")"
PKG_CONFIG_PATH="$libdir/pkgconfig" c++ -o "$work/tester-pc" "$source_dir/examples/input_tester.cpp" \
  $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs quivent) >"$work/pc.log" 2>&1 ||
  fail "input_tester did not build with pkg-config: $(tail -20 "$work/pc.log")"

# A player's session: nobody, a home of its own, the prefix read-only, and a hiscore table
# of scores 1 to 9, so any round's score enters, under a best entry PEND not yet sent.
chmod -R a-w "$prefix"
home="$work/home"
mkdir -p "$home/data/rayvaulter" "$home/tmp" "$home/elsewhere"
for i in 0 1 2 3 4 5 6 7 8; do
  for text in "LOW$i" "$((i + 1))" 1; do
    printf '%s\r\n' "$("$prefix/bin/qvtcrypt" encrypt m4rq7e2dw "$text")"
  done
done >"$home/data/rayvaulter/orvelsoft.ini"
for text in PEND 5000 0; do
  printf '%s\r\n' "$("$prefix/bin/qvtcrypt" encrypt m4rq7e2dw "$text")"
done >>"$home/data/rayvaulter/orvelsoft.ini"
chown -R nobody "$home"
chmod 700 "$home/tmp"
before=$(find "$prefix" | sort)

# Xvfb picks a free display itself and tells it on a pipe; -noreset: the server must not
# restart itself when the last client (a game) leaves.
exec 3< <(Xvfb -displayfd 1 -screen 0 1600x1200x24 -nolisten tcp -noreset 2>"$work/xvfb.log")
xvfb_pid=$!
read -r -t 20 display <&3 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$display"
"$prefix/bin/hiscored" --listen 127.0.0.1:0 --database "$work/hiscores.db" \
  --port-file "$work/port" --access-log off 2>"$work/server.log" &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
[ -s "$work/port" ] || fail "hiscored did not start: $(cat "$work/server.log")"
# start_game ARGS...: the installed game as the player, its window in $window.
start_game() {
  (cd "$home/elsewhere" && exec runuser -u nobody -- env HOME="$home" XDG_DATA_HOME="$home/data" \
    TMPDIR="$home/tmp" DISPLAY="$DISPLAY" SDL_AUDIODRIVER=dummy \
    RAYVAULTER_HISCORE_SERVER="127.0.0.1:$(cat "$work/port")" "$prefix/bin/rayvaulter" "$@" \
    >"$work/game.log" 2>&1) &
  game_pid=$!
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --name '^AKQZ08_Rayvaulter$' 2>/dev/null | head -1)
    [ -n "$window" ] && return
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended before its window came up"
    sleep 0.2
  done
  fail "no game window"
}
start_game
# Keys go through XTEST to the focused window, as a keyboard's would.
xdotool windowfocus --sync "$window" 2>>"$work/xdotool.log"

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

# A short round: [1] on the title; once scoring has started (the star and the beams take
# 173 frames), a pause and its end (the pause screen waits for its keys' release without
# showing frames, and must still see a real key's); [Q], ACE typed into the name entry,
# Enter; then Escape on the title ends the game with exit code 0.
wait_for 60 on_title || fail "the title screen did not come up"
press 1
wait_for 20 in_play || fail "the play field did not come up"
sleep 10
press p
wait_for 10 on_pause || fail "[P] did not show the pause screen"
press p
wait_for 10 in_play || fail "[P] in the pause screen did not resume the game"
press q
wait_for 20 on_name_entry || fail "the name entry did not come up after [Q]"
sleep 0.3
xdotool type --delay 120 ACE 2>>"$work/xdotool.log"
sleep 0.5
press Return
wait_for 20 on_title || fail "the title did not come back after the name entry"
quit_with_escape() {
  press Escape
  timeout 10 tail --pid="$game_pid" -f /dev/null || fail "Escape did not end the game"
  wait "$game_pid" || fail "the game ended with exit code $?"
  game_pid=""
}
quit_with_escape

for who in ACE PEND; do
  "$prefix/bin/qvtcrypt" dump-hiscores "$home/data/rayvaulter/orvelsoft.ini" |
    awk -v n="$who" '$2 == n && $4 == "1" {ok = 1} END {exit !ok}' ||
    fail "$who is not in the hiscore file in the data folder, marked as sent"
  "$prefix/bin/hiscored" list --database "$work/hiscores.db" | grep -qw "$who" ||
    fail "$who did not reach the hiscore server"
done
[ "$(find "$prefix" | sort)" = "$before" ] || fail "the game wrote into the installed prefix"
[ -z "$(ls -A "$home/elsewhere")" ] || fail "the game wrote into the folder it was started from"

# --scale 2: the 640 x 480 picture in a 1280 x 960 window, each pixel a 2 x 2 block.
start_game --scale 2
for _ in $(seq 100); do  # until the title is up
  read -r size mismatches lighted < <("$probe" "$window" 2)
  [ "${lighted:-0}" -gt 10000 ] && break
  sleep 0.2
done
[ "$size" = "1280x960" ] || fail "--scale 2 opened a window of $size"
[ "$lighted" -gt 10000 ] || fail "the scaled window shows (almost) nothing: $lighted pixels lit"
[ "$mismatches" -eq 0 ] || fail "$mismatches pixels differ from their 2 x 2 block"
xdotool windowfocus --sync "$window" 2>>"$work/xdotool.log"
quit_with_escape
echo "PASS: installed, packaged, a round played against hiscored, hiscores in the data folder, scale 2 sharp"

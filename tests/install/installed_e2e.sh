#!/usr/bin/env bash
# The installed game, as a packager and a player meet it: `cmake --install` into a scratch
# prefix; the layout checked (the desktop entry and the AppStream data are static files that
# lintian reads in the packages); the examples built against the installed runtime
# (find_package and pkg-config) and one run headless; then, under Xvfb, the installed game
# started from another folder by an unprivileged user with the prefix read-only: a round
# played, the hiscore file found in the XDG data folder and nothing written beside the
# binary.
#
# usage: installed_e2e.sh BUILD_DIR SOURCE_DIR     exit 0 passed, 1 failed, 77 a tool is missing
set -uo pipefail

build=$(cd "${1:?usage: installed_e2e.sh BUILD_DIR SOURCE_DIR}" && pwd)
source_dir=$(cd "${2:?usage: installed_e2e.sh BUILD_DIR SOURCE_DIR}" && pwd)
probe="$build/tests/e2e_screen_probe"
. "$source_dir/tests/support/e2e.sh"

need_tools Xvfb xdotool pkg-config runuser
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to play as an unprivileged user"; exit 77; }

work=$(mktemp -d /tmp/rayvaulter-install-XXXXXX)
trap e2e_cleanup EXIT
chmod 755 "$work"
prefix="$work/prefix"

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

# The command line a player or a packager's script meets first.
"$prefix/bin/rayvaulter" --version | grep -qx 'rayvaulter [0-9]*\.[0-9]*\.[0-9]*' || fail "--version"
"$prefix/bin/rayvaulter" --help | grep -q -- '--scale N' || fail "--help does not list --scale"
"$prefix/bin/rayvaulter" --scale 9 2>/dev/null; [ $? -eq 2 ] || fail "--scale 9 is not refused with 2"

# The examples against the installed runtime only: built through its CMake package and
# through pkg-config (the build's own copies run headless in the unit tests); one runs.
cmake -S "$source_dir/examples" -B "$work/examples" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  >"$work/examples.log" 2>&1 && cmake --build "$work/examples" >>"$work/examples.log" 2>&1 ||
  fail "examples did not build with find_package: $(tail -20 "$work/examples.log")"
PKG_CONFIG_PATH="$libdir/pkgconfig" c++ -o "$work/tester-pc" "$source_dir/examples/input_tester.cpp" \
  $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs quivent) >"$work/pc.log" 2>&1 ||
  fail "input_tester did not build with pkg-config: $(tail -20 "$work/pc.log")"
SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy "$work/tester-pc" --frames 20 >/dev/null 2>&1 ||
  fail "input_tester (pkg-config) did not run"

# A player's session: nobody, a home of its own, the prefix read-only.
chmod -R a-w "$prefix"
home="$work/home"
mkdir -p "$home/data/rayvaulter" "$home/tmp" "$home/elsewhere"
seed_hiscores "$home/data/rayvaulter/orvelsoft.ini" "$prefix/bin/qvtcrypt"
chown -R nobody "$home"
chmod 700 "$home/tmp"
before=$(find "$prefix" | sort)
start_xvfb 1600x1200x24
player=(runuser -u nobody -- env HOME="$home" XDG_DATA_HOME="$home/data" TMPDIR="$home/tmp"
  DISPLAY="$DISPLAY")
start_game "$home/elsewhere" "${player[@]}" "$prefix/bin/rayvaulter"
start_round
finish_round ACE
"$prefix/bin/qvtcrypt" dump-hiscores "$home/data/rayvaulter/orvelsoft.ini" |
  awk '$2 == "ACE" {ok = 1} END {exit !ok}' || fail "ACE is not in the hiscore file in the data folder"
quit_with_escape
[ "$(find "$prefix" | sort)" = "$before" ] || fail "the game wrote into the installed prefix"
[ -z "$(ls -A "$home/elsewhere")" ] || fail "the game wrote into the folder it was started from"

echo "PASS: installed game played, hiscores in the data folder"

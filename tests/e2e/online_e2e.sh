#!/usr/bin/env bash
# RAYVAULTER against a real hiscored, in a real window under Xvfb, as a player meets it: an
# entry still to send in the hiscore file goes to the server at start-up and the list read
# back lies beside the hiscore file; a short round with a pause and its end, ended with
# [Q], a name typed, Enter, and the new hiscore goes to the server too and is stored as
# sent; Escape on the title ends the game with exit code 0.
#
# usage: online_e2e.sh BUILD_DIR        exit 0 passed, 1 failed, 77 a tool is missing
set -uo pipefail
source "$(dirname "$0")/../support/e2e.sh"

build=$(cd "${1:?usage: online_e2e.sh BUILD_DIR}" && pwd)
crypt="$build/tools/qvtcrypt"
probe="$build/tests/e2e_screen_probe"
need_tools Xvfb xdotool curl
for file in "$build/rayvaulter" "$build/hiscored" "$crypt" "$probe"; do
  [ -x "$file" ] || { echo "FAIL: $file is not built"; exit 1; }
done

work=$(mktemp -d /tmp/rayvaulter-online-XXXXXX)
server_pid=""
trap '[ -n "$server_pid" ] && kill "$server_pid"; e2e_cleanup' EXIT
"$build/hiscored" --listen 127.0.0.1:0 --database "$work/hiscores.db" --port-file "$work/port" \
  >"$work/access.log" 2>"$work/server.err" &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.05; done
[ -s "$work/port" ] || fail "hiscored did not start: $(cat "$work/server.err")"
export RAYVAULTER_HISCORE_SERVER="127.0.0.1:$(cat "$work/port")" TMPDIR="$work/tmp"
listed() { curl -fsS "http://$RAYVAULTER_HISCORE_SERVER/top.json"; }

cp "$build/rayvaulter" "$work/rayvaulter"
if [ -d "$build/Media" ]; then cp -rL "$build/Media" "$work/Media"; else mkdir "$work/Media"; fi
mkdir -m 700 "$work/tmp"
# Scores 1 to 10 sent long ago, then the best, PEND (5000), marked as never sent.
hiscores="$work/Media/orvelsoft.ini"
seed_hiscores "$hiscores" "$crypt"
sed -i 28,30d "$hiscores"
for text in PEND 5000 0; do printf '%s\r\n' "$("$crypt" encrypt m4rq7e2dw "$text")" >>"$hiscores"; done

start_xvfb
start_game "$work" ./rayvaulter
start_round
listed | grep -q '"name":"PEND","score":5000' || fail "the pending entry was not sent at start-up: $(listed)"
[ -s "$work/Media/global.ini" ] || fail "the list reply is not beside the hiscore file"
finish_round NET
listed | grep -q '"name":"NET"' || fail "the new hiscore did not reach the server: $(listed)"
for who in NET PEND; do
  "$crypt" dump-hiscores "$hiscores" | awk -v n="$who" '$2 == n && $4 == "1" {ok = 1} END {exit !ok}' ||
    fail "$who is not stored as sent: $("$crypt" dump-hiscores "$hiscores")"
done
quit_with_escape
echo "PASS: PEND sent at start-up, NET sent after the round: $(listed)"

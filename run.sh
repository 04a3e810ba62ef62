#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game. Unless RAYVAULTER_HISCORE_SERVER
# names a server to play against, a hiscored of its own runs on 127.0.0.1 for as long as
# the game does, its table in build/hiscored-data/hiscores.db.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/setup
# Compiles are cached by paths relative to the checkout, so any clone reuses them.
export CCACHE_BASEDIR="$PWD"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

if [ ! -x build/rayvaulter ]; then
  echo "run.sh: the runtime and tools are built in build/; the game itself is not there yet."
  exit 1
fi

if [ -n "${RAYVAULTER_HISCORE_SERVER:-}" ] || [ ! -x build/hiscored ]; then
  exec build/rayvaulter "$@"
fi

state=build/hiscored-data
mkdir -p "$state"
rm -f "$state/port"
# Port 0: the system picks a free unprivileged port, which hiscored writes to the port file.
build/hiscored --listen 127.0.0.1:0 --database "$state/hiscores.db" --port-file "$state/port" \
  --access-log "$state/access.log" 2>>"$state/hiscored.log" &
server=$!
stop_server() {
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
}
trap stop_server EXIT
trap 'exit 130' INT TERM

for _ in $(seq 1 100); do
  [ -s "$state/port" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.05
done
if [ ! -s "$state/port" ]; then
  echo "run.sh: hiscored did not start (see $state/hiscored.log); playing without a server" >&2
  build/rayvaulter "$@"
  exit $?
fi

export RAYVAULTER_HISCORE_SERVER="127.0.0.1:$(cat "$state/port")"
echo "run.sh: hiscore server at http://$RAYVAULTER_HISCORE_SERVER/ (leaderboard page there)"
status=0
build/rayvaulter "$@" || status=$?
exit $status

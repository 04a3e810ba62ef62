#!/usr/bin/env bash
# The Debian packages made from the build: cpack into a scratch folder, lintian finds no
# error, apt would install the game's package with the dependencies dpkg-shlibdeps found,
# and the packages hold what they should.
#
# usage: package_test.sh BUILD_DIR      exit 0 passed, 1 failed, 77 a tool is missing
set -uo pipefail
build=$(cd "${1:?usage: package_test.sh BUILD_DIR}" && pwd)
. "$(dirname "$0")/../support/e2e.sh"
need_tools cpack dpkg-deb dpkg-shlibdeps lintian apt-get
work=$(mktemp -d /tmp/rayvaulter-package-XXXXXX)
trap e2e_cleanup EXIT

cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  fail "cpack: $(tail -20 "$work/cpack.log")"
game=$(ls "$work"/rayvaulter_*.deb 2>/dev/null) || fail "no rayvaulter package"

for deb in "$work"/*.deb; do
  errors=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep '^E: ')
  [ -z "$errors" ] || fail "lintian on $(basename "$deb"):"$'\n'"$errors"
done
depends=$(dpkg-deb -f "$game" Depends)
for lib in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libpng16-16 libjpeg62-turbo; do
  [[ "$depends" == *"$lib"* ]] || fail "the game's package does not depend on $lib: $depends"
done
dpkg-deb -c "$game" | grep '/bin/rayvaulter$' >/dev/null || fail "the game's package lacks the game"
dpkg-deb -c "$work"/libquivent-dev_*.deb | grep 'include/quivent/quivent.h$' >/dev/null ||
  fail "no libquivent-dev package with the headers"
apt-get install -s "$game" >"$work/apt.log" 2>&1 || fail "apt would not install it: $(tail -5 "$work/apt.log")"
echo "PASS: $(cd "$work" && ls *.deb | tr '\n' ' ')"

#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Installs pylora as a user would and uses the installation without the
# build tree:
#   check_installation.sh prefix  BUILD SOURCE VERSION   (cmake --install)
#   check_installation.sh package BUILD SOURCE VERSION   (the Debian package,
#                                                         unpacked with dpkg -x)
# The installed tree is moved before use, and every program runs from an
# empty folder with a bare environment, so nothing can come from the build
# tree or from the variables of the test run.
set -euo pipefail
mode=$1 build=$2 source=$3 version=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

case "$mode" in
  prefix)
    cmake --install "$build" --prefix "$work/staged" > "$work/install.log" ||
      { cat "$work/install.log"; fail "cmake --install"; }
    mv "$work/staged" "$work/moved"
    prefix=$work/moved
    ;;
  package)
    (cd "$build" && cpack -G DEB -B "$work/cpack" > "$work/cpack.log" 2>&1) ||
      { cat "$work/cpack.log"; fail "cpack"; }
    deb=$(ls "$work"/cpack/pylora_"$version"_*.deb) || fail "no package pylora_${version}_ARCH.deb"
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    for needed in python3 python3-matplotlib python3-pandas libstdc++6 libyaml-cpp; do
      grep -q "\\b$needed" <<< "$depends" || fail "the package does not depend on $needed"
    done
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
    dpkg-deb -c "$deb" > "$work/contents"
    grep -q ' ./usr/lib/libpylora.so.8' "$work/contents" || fail "the package holds no libpylora.so.8"
    dpkg -x "$deb" "$work/root"
    prefix=$work/root/usr
    ;;
  *) fail "unknown mode $mode" ;;
esac

# A bare environment: the system's programs only.
run() { env -i PATH=/usr/bin:/bin HOME="$work" LANG=C.UTF-8 MPLBACKEND=Agg "$@"; }
mkdir "$work/empty"
cd "$work/empty"

# The library: its SONAME carries the major version, and nothing points back
# into the build tree.
major=${version%%.*}
for file in "$prefix/lib/libpylora.so.$version" "$prefix/lib/libpylora.so.$major" "$prefix/lib/libpylora.so" \
            "$prefix/include/pylora/ipylora8.h" "$prefix/share/man/man1/pylora.1" \
            "$prefix/share/pylora/schemas/model.schema.json" "$prefix/share/pylora/schemas/results.schema.json" \
            "$prefix/share/doc/pylora/LICENSE"; do
  [ -e "$file" ] || fail "${file#"$prefix"/} is not installed"
done
readelf -d "$prefix/lib/libpylora.so.$version" | grep -q "SONAME.*\[libpylora.so.$major\]" ||
  fail "the library's SONAME is not libpylora.so.$major"
if readelf -d "$prefix/bin/pylora" "$prefix/lib/libpylora.so.$version" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
  fail "an installed program keeps a path into the build tree"
fi
grep -q "pylora $version" "$prefix/share/man/man1/pylora.1" || fail "the manual page does not carry version $version"
grep -q 'stiffness\\-start' "$prefix/share/man/man1/pylora.1" || fail "the manual page lacks the options of --help"

# The programs.
[ "$(run "$prefix/bin/pylora" --version)" = "pylora $version" ] || fail "pylora --version is not pylora $version"
run "$prefix/bin/pylora" --quiet "$prefix/share/pylora/examples/group3d/model.yaml" -o out > run.log 2>&1 ||
  { cat run.log; fail "the installed example did not run to code 0"; }
[ -s out/model.results.json ] || fail "the run wrote no results file"
grep -q "\"programVersion\": \"$version\"" out/model.results.json || fail "the results file does not carry version $version"
run "$prefix/bin/pylora-plot" out/model.results.json -o plots > plot.log 2>&1 ||
  { cat plot.log; fail "pylora-plot did not draw the example's pictures"; }
ls plots/*.png > /dev/null 2>&1 || fail "pylora-plot drew no picture"

# The Python package, found through the path file as Debian's python3 finds
# it under /usr, runs the installed program.
run /usr/bin/python3 -c "
import site, sys
site.addsitedir(sys.argv[1])
import pylora
assert pylora.program().resolve() == __import__('pathlib').Path(sys.argv[2]).resolve(), pylora.program()
r = pylora.load(sys.argv[3]).run()
assert r.completed and len(r.cap) == 3, r
print(pylora.__version__)
" "$prefix/lib/python3/dist-packages" "$prefix/bin/pylora" "$prefix/share/pylora/examples/group3d/model.yaml" \
  > python.log 2>&1 || { cat python.log; fail "the installed Python package did not run the example"; }
[ "$(tail -1 python.log)" = "$version" ] || fail "the Python package is not version $version"

# pylora-web serves the installed application and answers its API with the
# token it prints.
# (env directly, not through run(), so that $! is the server's own process)
env -i PATH=/usr/bin:/bin HOME="$work" LANG=C.UTF-8 PYLORA_WEB_TOKEN=installcheck \
  "$prefix/bin/pylora-web" --port 0 > web.log 2> web.err &
web_pid=$!
trap 'kill "$web_pid" 2> /dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do grep -q 'pylora-web: http' web.log && break; sleep 0.2; done
address=$(grep -o 'http://[^/]*' web.log | head -1) || { kill "$web_pid"; cat web.err; fail "pylora-web printed no address"; }
page=$(run /usr/bin/python3 -c "
import sys, urllib.request
base = sys.argv[1]
index = urllib.request.urlopen(base + '/').read().decode()
health = urllib.request.urlopen(urllib.request.Request(base + '/api/health', headers={'Authorization': 'token installcheck'})).read().decode()
print('index' if '<script' in index else 'no index', health)
" "$address") || { kill "$web_pid"; cat web.err; fail "pylora-web did not answer"; }
kill "$web_pid"; wait "$web_pid" || true
grep -q "^index .*\"version\": \"$version\"" <<< "$page" || fail "pylora-web did not serve the application and its version: $page"

# A C program built against the installed header and library, found by
# pkg-config and by find_package; the header compiles as C++ too.
pcflags=$(run env PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs pylora) ||
  fail "pkg-config does not know pylora"
run cc -Wall -Werror -o consumer-pc "$source/tests/install/consumer/consumer.c" $pcflags ||
  fail "the C program does not build with pkg-config"
[ "$(run env LD_LIBRARY_PATH="$prefix/lib" ./consumer-pc)" = 1 ] || fail "IPYLORA8(12) did not return 1 (pkg-config)"
run c++ -Wall -Werror -x c++ -o consumer-cxx "$source/tests/install/consumer/consumer.c" $pcflags ||
  fail "the header does not compile as C++"
run cmake -S "$source/tests/install/consumer" -B cmake-build -DCMAKE_PREFIX_PATH="$prefix" > cmake.log 2>&1 ||
  { cat cmake.log; fail "find_package(pylora) failed"; }
run cmake --build cmake-build > cmake-build.log 2>&1 || { cat cmake-build.log; fail "the find_package program does not build"; }
[ "$(run ./cmake-build/consumer)" = 1 ] || fail "IPYLORA8(12) did not return 1 (find_package)"
echo "The $mode installation works from $prefix."

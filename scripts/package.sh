#!/usr/bin/env bash
# Installs what is missing, builds the programs in Release (build/package, tests left out) and
# makes the Debian package; prints the path of the .deb. Install it with
#   sudo apt install ./build/package/travex-config_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=build/package
# Installing (and so cpack) needs only what the package holds, not the whole tree.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  >/dev/null
cmake --build "$build" --target package-contents
rm -f "$build"/travex-config_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/travex-config_*.deb)
echo "Package: $deb"
echo "Install it with: sudo apt install ./$deb"

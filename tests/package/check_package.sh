#!/usr/bin/env bash
# Builds the Debian package from a build tree into a scratch folder and checks it: every
# expected path is in it, and lintian finds no error (its warnings are shown).
#
#   check_package.sh CPACK BUILD_DIR SCRATCH_DIR PATH...     (PATH without the leading slash)
set -euo pipefail
cpack=$1 build=$2 scratch=$3
shift 3

rm -rf "$scratch"
mkdir -p "$scratch"
if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  exit 1
fi
debs=("$scratch"/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "expected one package in $scratch, found: ${debs[*]}"
  exit 1
fi
deb=${debs[0]}
echo "package: $deb"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
status=0
for path in "$@"; do
  if ! grep -qxF "./$path" <<<"$contents"; then
    echo "missing from the package: /$path"
    status=1
  fi
done

lintian --fail-on error --display-info "$deb" || status=1
exit $status

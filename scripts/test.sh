#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite three times: a normal
# build, an address+undefined sanitizer build and a thread sanitizer build, with warnings as
# errors. TRAVEX_BUILDS="normal" (or any subset of "normal asan tsan") narrows the run.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

builds=${TRAVEX_BUILDS:-"normal asan tsan"}
jobs=$(nproc)
status=0
for b in $builds; do
  case "$b" in
    normal) sanitize="" ;;
    asan) sanitize="address" ;;
    tsan) sanitize="thread" ;;
    *) echo "unknown build '$b'" >&2; exit 2 ;;
  esac
  dir="build/ci-$b"
  echo "=== $b build ==="
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTRAVEX_WERROR=ON -DTRAVEX_SANITIZE="$sanitize" >/dev/null
  cmake --build "$dir" -j "$jobs"
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp"
  export QT_QPA_PLATFORM=offscreen
  if ! ctest --test-dir "$dir" --output-on-failure -j "$jobs"; then
    status=1
  fi
done
exit $status

#!/usr/bin/env bash
# travex-config's arguments are checked without a display: a file that cannot be read ends with
# status 1, two files are a usage error (status 2), and with nothing wrong the missing display
# is said plainly (status 1) instead of a crash.
#
#   config_arguments.sh TRAVEX_CONFIG
set -uo pipefail
program=$1
status=0
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@" 2>&1; }
expect() {  # expect STATUS PATTERN ARGS...
  local want=$1 pattern=$2
  shift 2
  local out code
  out=$(run "$@")
  code=$?
  if [ "$code" -ne "$want" ] || ! grep -q -- "$pattern" <<<"$out"; then
    echo "travex-config $*: status $code (want $want), output:"
    echo "$out"
    status=1
  fi
}
expect 1 "missing.ini" /nonexistent/missing.ini
expect 2 "只能指定一个参数文件" a.ini b.ini
expect 1 "DISPLAY"
exit $status

#!/usr/bin/env bash
# Installs what is missing, builds the tool (build/run, Release) and opens it.
#
#   bash scripts/run.sh          # a USB serial adapter present: the tool alone, for the real
#                                # logger; otherwise against the simulated logger
#   bash scripts/run.sh --sim    # always against the simulated logger
#   bash scripts/run.sh --real   # always the tool alone (real logger on a serial port)
#
# The simulated logger plays a logger with a demonstration configuration on a pseudo-terminal.
# It gets a COM number in a private port directory that only this run's tool looks at, and it is
# stopped when the tool closes.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=auto
for arg in "$@"; do
  case "$arg" in
    --sim) mode=sim ;;
    --real) mode=real ;;
    -h|--help)
      sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'
      exit 0 ;;
    *) echo "unknown option '$arg' (use --sim, --real or --help)" >&2; exit 2 ;;
  esac
done

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: neither DISPLAY nor WAYLAND_DISPLAY is set, so the dialog cannot be shown." >&2
  echo "Run this from a desktop session (or over 'ssh -X'); 'bash scripts/test.sh' needs none." >&2
  exit 1
fi

bash scripts/install-deps.sh

build=build/run
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRAVEX_BUILD_GUI=ON >/dev/null
cmake --build "$build" --target travex-config travex-logger-sim
tool="$build/app/qt/travex-config"
sim="$build/tools/logger-sim/travex-logger-sim"

if [ "$mode" = auto ]; then
  mode=sim
  for dev in /dev/ttyUSB* /dev/ttyACM*; do
    if [ -e "$dev" ]; then mode=real; break; fi
  done
fi

if [ "$mode" = real ]; then
  if [ "$(id -u)" -ne 0 ] && ! id -nG | tr ' ' '\n' | grep -qx dialout; then
    echo "Note: you are not in the 'dialout' group, so the serial ports cannot be opened." >&2
    echo "      Run 'sudo usermod -aG dialout $USER', then log out and in again." >&2
  fi
  echo "Opening the tool for a real logger; pick its port under 串口号 and press 测试波特率."
  exec "$tool"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/travex-run.XXXXXX")
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$work/ports"
"$sim" --demo --port-dir "$work/ports" >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!

ready=""
for _ in $(seq 1 100); do
  ready=$(head -n 1 "$work/sim.out" 2>/dev/null || true)
  [ -n "$ready" ] && break
  if ! kill -0 "$sim_pid" 2>/dev/null; then break; fi
  sleep 0.1
done
if [ -z "$ready" ]; then
  echo "The simulated logger did not start:" >&2
  cat "$work/sim.err" >&2 || true
  exit 1
fi
echo "Simulated logger ready: ${ready%% *} (${ready#* }). Select it under 串口号 and press 测试波特率."

TRAVEX_PORT_DIR="$work/ports" "$tool"

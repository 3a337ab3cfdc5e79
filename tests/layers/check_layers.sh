#!/usr/bin/env bash
# The layers of the source tree, from the bottom:
#   params/ -> serial/ -> protocol/ -> paramfile/ -> session/ -> the front ends app/ and cli/
# A folder never includes one above it, and neither front end includes the other. The front
# ends speak to the logger through the session alone: of serial/ they include only what they
# show (the port list, the port information and who holds a port), and they name no frame
# buffer, command byte, item number or run flag.
set -euo pipefail
cd "$1"
status=0
rank() {
  case "$1" in
    params) echo 0 ;; serial) echo 1 ;; protocol) echo 2 ;; paramfile) echo 3 ;;
    session) echo 4 ;; app | cli) echo 5 ;; *) echo "" ;;
  esac
}
complain() { echo "$1" >&2; status=1; }

for dir in params serial protocol paramfile session app cli; do
  own=$(rank "$dir")
  while IFS= read -r hit; do
    [ -n "$hit" ] || continue
    target=${hit#*#include \"}
    target=${target%%/*}
    other=$(rank "$target")
    [ -n "$other" ] || continue
    if [ "$other" -gt "$own" ] || { [ "$other" -eq "$own" ] && [ "$target" != "$dir" ]; }; then
      complain "$hit: $dir/ must not include $target/"
    fi
  done < <(grep -rn '#include "[a-z_]*/' "$dir" --include='*.h' --include='*.cpp' || true)
done

# What the front ends may take from serial/: the ports they list and what they say about them.
while IFS= read -r hit; do
  [ -n "$hit" ] || continue
  case "$hit" in
    *'"serial/port_map.h"'* | *'"serial/port_info.h"'* | *'"serial/port_lock.h"'* | *'"serial/line_address.h"'*) ;;
    *) complain "$hit: front ends reach the line through session/" ;;
  esac
done < <(grep -rn '#include "serial/' app cli --include='*.h' --include='*.cpp' || true)

# Frames are the session's business: no frame buffer, command byte or item number up here.
if grep -rnwE 'kFrameBufferSize|kCommandRead|kCommandWrite|kFwVersionItem|kArg1FirstItem|kArg2FirstItem|kCoefFirstItem|kArg1ItemsPerChannel|kArg2ItemsPerChannel|kCoefItemsPerChannel|BuildReadRequest|BuildWriteRequest|bulk_read_active|bulk_write_active|bulk_waiting' \
     app cli --include='*.h' --include='*.cpp'; then
  complain "^ front ends name frames, commands, item numbers or run flags"
fi
exit $status

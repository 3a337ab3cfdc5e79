#!/usr/bin/env bash
# The layers of the source tree, from the bottom: serial/ -> protocol/, params/ -> paramfile/ ->
# session/ -> the front ends app/ (the dialog) and cli/ (the command line). No layer below the
# front ends includes anything of theirs, and neither front end includes the other's.
set -euo pipefail
cd "$1"
status=0
check() {  # folders... -- forbidden include prefixes...
  local dirs=() prefixes=() seen=0
  for a in "$@"; do
    if [ "$a" = "--" ]; then seen=1; elif [ $seen -eq 0 ]; then dirs+=("$a"); else prefixes+=("$a"); fi
  done
  for p in "${prefixes[@]}"; do
    if grep -rnE "#include \"${p}/" "${dirs[@]}" --include='*.h' --include='*.cpp'; then
      echo "^ ${dirs[*]} must not include ${p}/" >&2
      status=1
    fi
  done
}
check serial protocol params paramfile session -- app cli
check app -- cli
check cli -- app
exit $status

#!/usr/bin/env bash
# Fails when the English translation is not finished or not in step with the sources, naming
# each text concerned. Usage: check_translations.sh SOURCE_DIR TS_FILE LUPDATE [OPTIONS...] -- DIRS...
set -euo pipefail
source_dir=$1 ts=$2 lupdate=$3
shift 3
options=()
while [ "$1" != "--" ]; do options+=("$1"); shift; done
shift

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$ts" "$work/current.ts"
(cd "$source_dir" && "$lupdate" "${options[@]}" "$@" -ts "$work/current.ts" >/dev/null)

status=0
if ! cmp -s "$ts" "$work/current.ts"; then
  echo "translations/$(basename "$ts") is not in step with the sources" \
       "(run: cmake --build <build dir> --target travex_update_translations):"
  diff "$ts" "$work/current.ts" | grep -E '^[<>] +<source>' | sed -e 's/^</  gone: /' -e 's/^>/  new:  /' || true
  status=1
fi
# Texts lupdate keeps, but without a finished translation.
unfinished=$(grep -B1 'type="unfinished"' "$work/current.ts" | grep '<source>' || true)
if [ -n "$unfinished" ]; then
  echo "texts without a finished English translation:"
  echo "$unfinished" | sed 's/^ */  /'
  status=1
fi
exit $status

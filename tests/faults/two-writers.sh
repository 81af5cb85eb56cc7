#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Two writers of ours save one setup file at the same time, each changing its
# own line many times in a row, each merging what the other saved since it
# read the file. Afterwards the file must hold each writer's last value:
# no update lost.
#
#   tests/faults/two-writers.sh FOLDER COUNT WRITER...
#
# WRITER is the command that runs setup_writer (for example "wine
# setup_writer.exe"); FOLDER is where the setup file goes, as WRITER's
# program names it (FOLDER-AS-SEEN, e.g. Z:\tmp\x) after a colon:
# FOLDER[:FOLDER-AS-SEEN].
set -euo pipefail
folder=${1%%:*}
seen=${1#*:}
[[ $seen == "$1" ]] && seen=$folder
count=$2
shift 2
setup=$folder/Vezerava.ini
separator=/
[[ $seen == *\\* ]] && separator=\\
printf '[1]\r\nName=Line 1\r\nPaperSourceName1=start\r\n[2]\r\nName=Line 2\r\nPaperSourceName1=start\r\n' >"$setup"

"$@" "$seen${separator}Vezerava.ini" 1 "$count" &
first=$!
"$@" "$seen${separator}Vezerava.ini" 2 "$count" &
second=$!
status=0
wait "$first" || status=1
wait "$second" || status=1

lost=0
for line in 1 2; do
  value=$(awk -v section="[$line]" '
    { sub(/\r$/, "") }
    /^\[/ { inside = ($0 == section) }
    inside && /^PaperSourceName1=/ { sub(/^PaperSourceName1=/, ""); print; exit }' "$setup")
  if [[ $value != "bin $count" ]]; then
    echo "line $line holds \"$value\", not its writer's last value \"bin $count\"" >&2
    lost=$((lost + 1))
  fi
done
if ls -A "$folder" | grep -q 'kevo-'; then
  echo "left behind: $(ls -A "$folder" | grep 'kevo-')" >&2
  status=1
fi
echo "two writers, $count saves each: $lost of 2 last values lost"
((lost == 0 && status == 0))
